#include <string>

#include "deploy/plan.h"
#include "gtest/gtest.h"
#include "support/handles.h"
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

}  // namespace
}  // namespace quillon
