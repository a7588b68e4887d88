#include "support/version_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/handles.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::ProgramFolder;
using helpers::TempDir;

std::wstring VersionFile(const std::wstring& name) {
  return ProgramFolder() + L"versions\\" + name + L".dll";
}

std::vector<int> Numbers(const int numbers[4]) {
  return std::vector<int>(numbers, numbers + 4);
}

TEST(ReadFileVersionTest, ReadsExactlyFourCommaSeparatedNumbers) {
  struct Case {
    const wchar_t* file;
    bool result;
    std::vector<int> numbers;
  } cases[] = {
      {L"four", true, {7, 0, 0, 74}},
      {L"three", false, {7, 0, 0, -1}},
      {L"five", false, {7, 0, 0, 74}},
      {L"dotted", false, {7, -1, -1, -1}},
      {L"trailing_comma", false, {7, 0, 0, 74}},
      {L"spaced", true, {7, 0, 0, 74}},
      {L"no_version", false, {-1, -1, -1, -1}},
      // Read through the translation table, whatever its language.
      {L"japanese", true, {7, 0, 0, 74}},
      // ... and only through it: the U.S. English text is not looked for.
      {L"other_translation", false, {-1, -1, -1, -1}},
      {L"missing_file", false, {-1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    std::wstring path = VersionFile(c.file);
    int numbers[4] = {9, 9, 9, 9};
    EXPECT_EQ(ReadFileVersion(path.c_str(), numbers), c.result) << Narrow(c.file);
    EXPECT_EQ(Numbers(numbers), c.numbers) << Narrow(c.file);
  }
}

TEST(ReadFileVersionTest, EmptyTextOrNoTranslationTableFails) {
  for (const wchar_t* file : {L"empty", L"no_translation"}) {
    int numbers[4];
    EXPECT_FALSE(ReadFileVersion(VersionFile(file).c_str(), numbers)) << Narrow(file);
    EXPECT_EQ(numbers[3], -1) << Narrow(file);
  }
}

TEST(ProductVersionAtLeastTest, ComparesTheFirstAndFourthNumbers) {
  struct Case {
    const wchar_t* file;
    int major;
    int fourth;
    bool result;
  } cases[] = {
      {L"companion", 6, 18, true},  // 6, 0, 0, 18
      {L"companion", 7, 24, false},
      {L"service", 7, 24, true},          // 7, 0, 0, 24
      {L"lower_fourth", 7, 24, false},    // 7, 9, 9, 23
      {L"higher_major_24", 7, 24, true},  // 8, 0, 0, 24
      {L"higher_major", 7, 24, false},    // 8, 0, 0, 1
      {L"five", 7, 24, true},             // 8, 0, 0, 24, 5: extra fields don't matter
      {L"trailing_comma", 7, 24, true},   // 7, 0, 0, 24,
      {L"three", 7, -1, true},            // the missing fourth is -1
      {L"three", 7, 0, false},
      {L"dotted", 7, 0, false},    // 7.0.0.4 reads as 7 alone
      {L"japanese", 7, 0, false},  // no U.S. English block
      {L"no_version", 0, 0, false},
      {L"missing_file", -5, -5, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProductVersionAtLeast(VersionFile(c.file).c_str(), c.major, c.fourth), c.result)
        << Narrow(c.file) << " against " << c.major << ", " << c.fourth;
  }
}

TEST(ReadProductVersionTextTest, CopiesTheTextWhenItFits) {
  wchar_t text[8] = {};
  // "7.0.0.4" is 7 characters: it needs 8 with the terminator.
  EXPECT_TRUE(ReadProductVersionText(VersionFile(L"dotted").c_str(), text, 8));
  EXPECT_EQ(std::wstring(text), L"7.0.0.4");
  EXPECT_FALSE(ReadProductVersionText(VersionFile(L"dotted").c_str(), text, 7));
  EXPECT_FALSE(ReadProductVersionText(VersionFile(L"japanese").c_str(), text, 8));
  EXPECT_FALSE(ReadProductVersionText(VersionFile(L"no_version").c_str(), text, 8));
}

TEST(ParseVersionNumbersTest, ReadsAsADecimalConversionDoes) {
  struct Case {
    const wchar_t* text;
    wchar_t separator;
    int count;
    bool more;
    std::vector<int> numbers;
  } cases[] = {
      {L"7, 0, 0, 74", L',', 4, false, {7, 0, 0, 74}},
      {L"7.0.0.4", L'.', 4, false, {7, 0, 0, 4}},
      {L"7.0.0.4", L',', 1, false, {7, -1, -1, -1}},
      {L"7, 0, 0, 74, 1", L',', 4, true, {7, 0, 0, 74}},
      {L"7,0,", L',', 3, false, {7, 0, 0, -1}},
      {L"", L',', 1, false, {0, -1, -1, -1}},
      {L"\t +12x, -3 ,\n\r9", L',', 3, false, {12, -3, 9, -1}},
      {L"+, -, a", L',', 3, false, {0, 0, 0, -1}},
      {L"99999999999, -99999999999", L',', 2, false, {2147483647, -2147483647 - 1, -1, -1}},
  };
  for (const Case& c : cases) {
    int numbers[4];
    bool more = false;
    EXPECT_EQ(ParseVersionNumbers(c.text, std::wcslen(c.text), c.separator, numbers, &more),
              c.count)
        << Narrow(c.text);
    EXPECT_EQ(more, c.more) << Narrow(c.text);
    EXPECT_EQ(Numbers(numbers), c.numbers) << Narrow(c.text);
  }
}

TEST(ParseVersionNumbersTest, NeverReadsPastTheLength) {
  // The text ends at a page that can't be read: any read past it faults.
  SYSTEM_INFO system = {};
  ::GetSystemInfo(&system);
  const size_t page = system.dwPageSize;
  auto* memory = static_cast<char*>(
      ::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_TRUE(memory);
  DWORD old_protection = 0;
  ASSERT_TRUE(::VirtualProtect(memory + page, page, PAGE_NOACCESS, &old_protection));

  struct Case {
    const wchar_t* text;  // copied without its terminator
    size_t length;        // characters given to the parse
    int count;
    std::vector<int> numbers;
  } cases[] = {
      {L"7, 0, 0, 74", 11, 4, {7, 0, 0, 74}}, {L"7, 0, 0, 74", 10, 4, {7, 0, 0, 7}},
      {L"7, 0, 0, 74", 5, 3, {7, 0, 0, -1}},  {L"   ", 3, 1, {0, -1, -1, -1}},
      {L"-", 1, 1, {0, -1, -1, -1}},          {L"123", 3, 1, {123, -1, -1, -1}},
      {L"1,", 2, 2, {1, 0, -1, -1}},          {L"", 0, 1, {0, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    wchar_t* text = reinterpret_cast<wchar_t*>(memory + page) - c.length;
    std::memcpy(text, c.text, c.length * sizeof(wchar_t));
    int numbers[4];
    bool more = false;
    EXPECT_EQ(ParseVersionNumbers(text, c.length, L',', numbers, &more), c.count)
        << Narrow(c.text) << " / " << c.length;
    EXPECT_EQ(Numbers(numbers), c.numbers) << Narrow(c.text) << " / " << c.length;
  }
  ::VirtualFree(memory, 0, MEM_RELEASE);
}

// A version resource built by hand, where the length of a text and the text
// itself can disagree (a resource compiler always terminates them).
class VersionNode {
 public:
  VersionNode(const std::wstring& key, WORD type) : key_(key), type_(type) {}

  VersionNode& Text(const std::wstring& text, WORD length) {
    value_.assign(reinterpret_cast<const unsigned char*>(text.data()),
                  reinterpret_cast<const unsigned char*>(text.data() + text.size()));
    value_length_ = length;
    return *this;
  }
  VersionNode& Binary(const void* data, WORD size) {
    value_.assign(static_cast<const unsigned char*>(data),
                  static_cast<const unsigned char*>(data) + size);
    value_length_ = size;
    return *this;
  }
  VersionNode& Add(const VersionNode& child) {
    children_.push_back(child);
    return *this;
  }

  std::vector<unsigned char> Serialize() const {
    std::vector<unsigned char> out(6, 0);
    for (wchar_t c : key_)
      Append(&out, &c, sizeof(c));
    const wchar_t terminator = 0;
    Append(&out, &terminator, sizeof(terminator));
    Pad(&out);
    out.insert(out.end(), value_.begin(), value_.end());
    for (const VersionNode& child : children_) {
      Pad(&out);
      std::vector<unsigned char> bytes = child.Serialize();
      out.insert(out.end(), bytes.begin(), bytes.end());
    }
    SetWord(&out, 0, static_cast<WORD>(out.size()));
    SetWord(&out, 2, value_length_);
    SetWord(&out, 4, type_);
    return out;
  }

 private:
  static void Append(std::vector<unsigned char>* out, const void* data, size_t size) {
    out->insert(out->end(), static_cast<const unsigned char*>(data),
                static_cast<const unsigned char*>(data) + size);
  }
  static void Pad(std::vector<unsigned char>* out) {
    while (out->size() % 4)
      out->push_back(0);
  }
  static void SetWord(std::vector<unsigned char>* out, size_t at, WORD value) {
    (*out)[at] = static_cast<unsigned char>(value & 0xFF);
    (*out)[at + 1] = static_cast<unsigned char>(value >> 8);
  }

  std::wstring key_;
  WORD type_;
  std::vector<unsigned char> value_;
  WORD value_length_ = 0;
  std::vector<VersionNode> children_;
};

// A copy of a test file whose version resource says that FileVersion and
// ProductVersion are |length| characters long, while the bytes that follow
// read "7, 0, 0, 74" (and, after the length, "8, 0, 0, 24").
bool MakeFileWithTextLength(const std::wstring& path, WORD file_length, WORD product_length) {
  if (!::CopyFileW(ProgramFolder().append(L"versions\\no_version.dll").c_str(), path.c_str(),
                   FALSE)) {
    return false;
  }
  VS_FIXEDFILEINFO fixed = {};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  const WORD translation[2] = {0x409, 1200};
  VersionNode root(L"VS_VERSION_INFO", 0);
  root.Binary(&fixed, sizeof(fixed));
  root.Add(
      VersionNode(L"StringFileInfo", 1)
          .Add(VersionNode(L"040904b0", 1)
                   .Add(VersionNode(L"FileVersion", 1).Text(L"7, 0, 0, 74", file_length))
                   .Add(VersionNode(L"ProductVersion", 1).Text(L"8, 0, 0, 24", product_length))));
  root.Add(VersionNode(L"VarFileInfo", 1)
               .Add(VersionNode(L"Translation", 0).Binary(translation, sizeof(translation))));
  std::vector<unsigned char> block = root.Serialize();

  HANDLE update = ::BeginUpdateResourceW(path.c_str(), FALSE);
  if (!update)
    return false;
  bool ok = ::UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), block.data(),
                              static_cast<DWORD>(block.size())) != 0;
  return ::EndUpdateResourceW(update, !ok) && ok;
}

TEST(VersionTextLengthTest, TextsAreReadOnlyWithinTheirReportedLength) {
  TempDir dir;
  struct Case {
    WORD length;  // characters, as the resource states them
    bool file_version_read;
    std::vector<int> numbers;
    bool product_at_least_8_24;
  } cases[] = {
      {12, true, {7, 0, 0, 74}, true},  // with the terminator
      {11, true, {7, 0, 0, 74}, true},  // without: the text is not terminated within its length
      {10, true, {7, 0, 0, 7}, false},  // the last digit lies past the length
      {5, false, {7, 0, 0, -1}, false}, {0, false, {0, -1, -1, -1}, false},
  };
  for (const Case& c : cases) {
    std::wstring path = dir.Join(L"text_length_" + std::to_wstring(c.length) + L".dll");
    ASSERT_TRUE(MakeFileWithTextLength(path, c.length, c.length)) << c.length;
    int numbers[4];
    EXPECT_EQ(ReadFileVersion(path.c_str(), numbers), c.file_version_read) << c.length;
    EXPECT_EQ(Numbers(numbers), c.numbers) << c.length;
    EXPECT_EQ(ProductVersionAtLeast(path.c_str(), 8, 24), c.product_at_least_8_24) << c.length;
  }
}

// A value that the version library points at is used only when it lies
// wholly inside the block: its start and its last byte.
TEST(ValueLiesInBlockTest, StartAndWholeLengthInsideTheBlock) {
  unsigned char block[64] = {};
  struct Case {
    ptrdiff_t offset;
    uint64_t bytes;
    bool inside;
  } cases[] = {
      {0, 64, true},           {0, 65, false},
      {63, 1, true},           {63, 2, false},
      {64, 0, true},           {64, 1, false},
      {65, 0, false},          {-1, 1, false},
      {10, UINT64_MAX, false}, {32, 0x100000020ull, false},
  };
  for (const Case& c : cases) {
    // Compared as addresses: the pointer is never read.
    const void* value =
        reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(block) + c.offset);
    EXPECT_EQ(ValueLiesInBlock(block, sizeof(block), value, c.bytes), c.inside)
        << "offset " << c.offset << ", " << c.bytes << " bytes";
  }
  EXPECT_FALSE(ValueLiesInBlock(block, sizeof(block), nullptr, 0));
}

}  // namespace
}  // namespace quillon
