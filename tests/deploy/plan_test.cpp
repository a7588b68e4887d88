#include <string>
#include <vector>

#include "deploy/plan.h"
#include "gtest/gtest.h"
#include "support/handles.h"
#include "support/version_info.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::Narrow;
using helpers::ProgramFolder;

// The fixture programs beside the tests, each with one ProductVersion text
// (see tests/deploy/CMakeLists.txt).
std::wstring Fixture(const wchar_t* name) {
  return ProgramFolder() + L"fixtures\\product_versions\\" + name + L".exe";
}

struct Case {
  const wchar_t* fixture;
  const char* text;  // the fixture's ProductVersion text, for failure messages
  int a, b, c, d;
  bool equal;
};

const Case kCases[] = {
    {L"pv_7_0_0_4", "7.0.0.4", 7, 0, 0, 4, true},
    {L"pv_7_0_0_4", "7.0.0.4", 7, 0, 0, 5, false},
    {L"pv_7_0_0_4", "7.0.0.4", 1, 0, 2, 0, false},
    {L"pv_7_0_0_5", "7.0.0.5", 7, 0, 0, 4, false},
    {L"pv_7_0_0_5", "7.0.0.5", 7, 0, 0, 5, true},
    // Three numbers leave the fourth unread: never equal.
    {L"pv_7_0_0", "7.0.0", 7, 0, 0, 4, false},
    {L"pv_7_0_0", "7.0.0", 7, 0, 0, 0, false},
    // Commas aren't separators here: only the 7 is read.
    {L"pv_commas", "7, 0, 0, 4", 7, 0, 0, 4, false},
    // Four numbers are read; what follows the fourth is not looked at.
    {L"pv_five", "7.0.0.4.1", 7, 0, 0, 4, true},
    {L"pv_suffix", "7.0.0.4 beta", 7, 0, 0, 4, true},
    // Each number is a plain decimal conversion: leading blanks are skipped.
    {L"pv_blanks", " 7. 0. 0. 4", 7, 0, 0, 4, true},
    {L"pv_1_0_2_0", "1.0.2.0", 1, 0, 2, 0, true},
    {L"pv_1_0_2_0", "1.0.2.0", 7, 0, 0, 4, false},
    // Only the U.S. English, Unicode string block is read.
    {L"pv_japanese", "7.0.0.4 under 041104b0", 7, 0, 0, 4, false},
    {L"pv_none", "(no version block)", 7, 0, 0, 4, false},
};

TEST(ProductVersionEqualsTest, Table) {
  for (const Case& c : kCases) {
    std::wstring path = Fixture(c.fixture);
    ASSERT_TRUE(FileExists(path)) << Narrow(path);
    EXPECT_EQ(ProductVersionEquals(path.c_str(), c.a, c.b, c.c, c.d), c.equal)
        << "\"" << c.text << "\" against " << c.a << "." << c.b << "." << c.c << "." << c.d;
  }
}

TEST(ProductVersionEqualsTest, MissingFileIsNotEqual) {
  helpers::TempDir dir;
  std::wstring path = dir.Join(L"OstrelVT6.sys");
  EXPECT_FALSE(ProductVersionEquals(path.c_str(), 7, 0, 0, 4));
}

// A file that exists but can't be read at all (held without read sharing)
// answers no rather than reading an unfilled block.
TEST(ProductVersionEqualsTest, UnreadableFileIsNotEqual) {
  helpers::TempDir dir;
  std::wstring path = dir.Join(L"OstrelVT6.sys");
  ASSERT_TRUE(::CopyFileW(Fixture(L"pv_7_0_0_4").c_str(), path.c_str(), FALSE));
  FileHandle held(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.IsValid());
  EXPECT_FALSE(ProductVersionEquals(path.c_str(), 7, 0, 0, 4));
  held.Close();
  EXPECT_TRUE(ProductVersionEquals(path.c_str(), 7, 0, 0, 4));
}

// The rows of the plan: what each row holds is checked against the launcher
// that the build made (payloads_test.cpp); here, the rules between the rows.
// Both columns run in plan order, and 32-bit Windows has no rows 7 to 9.
TEST(ComponentTableTest, RowsInPlanOrderWithoutRowsSevenToNineOn32Bit) {
  for (bool native32 : {true, false}) {
    size_t count = 0;
    const ComponentRow* rows = ComponentTable(native32, &count);
    std::vector<int> numbers;
    for (size_t i = 0; i < count; ++i)
      numbers.push_back(rows[i].row);
    std::vector<int> expected;
    for (int row = 1; row <= 14; ++row) {
      if (!native32 || row < 7 || row > 9)
        expected.push_back(row);
    }
    EXPECT_EQ(numbers, expected) << (native32 ? "32-bit" : "64-bit");
  }
}

// Only the eject-latch pair changes its file name with the bitness; every
// other file that both write keeps one name.
TEST(ComponentTableTest, OnlyTheEjectLatchPairCarriesTheBitnessInItsName) {
  size_t count32 = 0;
  size_t count64 = 0;
  const ComponentRow* rows32 = ComponentTable(true, &count32);
  const ComponentRow* rows64 = ComponentTable(false, &count64);
  for (size_t i = 0; i < count32; ++i) {
    const ComponentRow* twin = nullptr;
    for (size_t j = 0; j < count64; ++j) {
      if (rows64[j].row == rows32[i].row)
        twin = &rows64[j];
    }
    ASSERT_NE(twin, nullptr) << "row " << rows32[i].row;
    std::wstring name32 = rows32[i].file_name;
    std::wstring name64 = twin->file_name;
    if (rows32[i].row == 11 || rows32[i].row == 12) {
      EXPECT_NE(name32.find(L"VT32"), std::wstring::npos) << Narrow(name32);
      EXPECT_NE(name64.find(L"VT64"), std::wstring::npos) << Narrow(name64);
    } else {
      EXPECT_EQ(name32, name64) << "row " << rows32[i].row;
    }
    EXPECT_EQ(rows32[i].folder, twin->folder) << "row " << rows32[i].row;
  }
}

}  // namespace
}  // namespace quillon
