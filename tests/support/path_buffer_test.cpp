#include "support/path_buffer.h"

#include <string>

#include "gtest/gtest.h"

namespace quillon {
namespace {

// A path of 259 characters fits with its terminator; one of 260 is never kept,
// also not in part.
TEST(PathBufferTest, ResultsAtTheCapacityBoundary) {
  const std::wstring fits(259, L'p');
  const std::wstring too_long(260, L'p');
  struct Case {
    const char* what;
    bool (*build)(PathBuffer*, const std::wstring&);
  };
  const Case cases[] = {
      {"Assign", [](PathBuffer* p, const std::wstring& t) { return p->Assign(t.c_str()); }},
      {"Append after a head",
       [](PathBuffer* p, const std::wstring& t) {
         return p->Assign(t.substr(0, 100).c_str()) && p->Append(t.substr(100).c_str());
       }},
      {"Format", [](PathBuffer* p, const std::wstring& t) { return p->Format(L"%s", t.c_str()); }},
      {"Format of two parts",
       [](PathBuffer* p, const std::wstring& t) {
         return p->Format(L"%s\\%s", t.substr(0, 9).c_str(), t.substr(10).c_str());
       }},
      {"Join adding the backslash",
       [](PathBuffer* p, const std::wstring& t) {
         return p->Join(t.substr(0, 9).c_str(), t.substr(10).c_str());
       }},
  };
  for (const Case& c : cases) {
    PathBuffer path;
    EXPECT_TRUE(c.build(&path, fits)) << c.what;
    EXPECT_EQ(path.Length(), 259u) << c.what;
    EXPECT_FALSE(c.build(&path, too_long)) << c.what;
    EXPECT_TRUE(path.IsEmpty()) << c.what;
  }
}

TEST(PathBufferTest, FailedAppendEmptiesTheBuffer) {
  PathBuffer path;
  ASSERT_TRUE(path.Assign(std::wstring(258, L'p').c_str()));
  EXPECT_TRUE(path.Append(L"q"));
  EXPECT_EQ(path.Last(), L'q');
  EXPECT_FALSE(path.Append(L"r"));
  EXPECT_STREQ(path.Get(), L"");
  EXPECT_FALSE(path.Assign(nullptr));
  EXPECT_EQ(path.Last(), L'\0');
}

// A backslash joins folder and name only where the folder has none.
TEST(PathBufferTest, JoinAddsOneBackslash) {
  const std::wstring f258(258, L'f');
  const std::wstring f259(259, L'f');
  const std::wstring f258_joined = f258 + L"\\";
  const struct {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* joined;  // null: refused
  } cases[] = {
      {L"C:\\DATA~1\\", L"Detacher.ini", L"C:\\DATA~1\\Detacher.ini"},
      {L"S:", L"Swiftgate.exe", L"S:\\Swiftgate.exe"},
      {L"S:\\deep", L"*.*", L"S:\\deep\\*.*"},
      {L"", L"name", nullptr},
      {nullptr, L"name", nullptr},
      {L"S:", nullptr, nullptr},
      // The added backslash is the 259th character, or one too many.
      {f258.c_str(), L"", f258_joined.c_str()},
      {f259.c_str(), L"", nullptr},
  };
  for (const auto& c : cases) {
    PathBuffer path;
    EXPECT_EQ(path.Join(c.folder, c.name), c.joined != nullptr)
        << (c.folder ? c.folder : L"(null)") << " + " << (c.name ? c.name : L"(null)");
    EXPECT_STREQ(path.Get(), c.joined ? c.joined : L"");
  }
}

// What a system call reports as the length it wrote into Data().
TEST(PathBufferTest, TakeWrittenAcceptsOneTo259Characters) {
  struct Case {
    size_t length;
    bool accepted;
  };
  const Case cases[] = {{0, false},  {1, true},    {258, true},
                        {259, true}, {260, false}, {4096, false}};
  for (const Case& c : cases) {
    PathBuffer path;
    for (size_t i = 0; i < PathBuffer::kCapacity; ++i)
      path.Data()[i] = L'x';
    EXPECT_EQ(path.TakeWritten(c.length), c.accepted) << c.length;
    EXPECT_EQ(path.Length(), c.accepted ? c.length : 0u) << c.length;
  }
}

}  // namespace
}  // namespace quillon
