#include <shlobj.h>

#include <string>
#include <vector>

#include "autostart/ready/service_ready.h"
#include "deploy/plan.h"
#include "deploy/shortcut.h"
#include "environment/platform/platform.h"
#include "gtest/gtest.h"
#include "launcher/paths/module_paths.h"
#include "support/handles.h"
#include "support/scoped_override.h"
#include "support/version_info.h"
#include "tests/deploy/deploy_fixtures.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::Narrow;
using helpers::ProgramFolder;
using helpers::RetrySleepCounter;
using helpers::ScopedDataFolderAside;
using helpers::ShortDataFolder;

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

// An own path that can't be read stops the deployment before anything is
// made, the data folder included.
TEST(DeployComponentsTest, UnreadableOwnPathGives718BeforeAnything) {
  ScopedDataFolderAside aside;
  ScopedOverride<const wchar_t*> own_path(g_own_path_for_testing, L"");
  EXPECT_EQ(DeployComponents(), 718u);
  EXPECT_FALSE(FileExists(aside.path()));
}

// Both paths of the launch fit 260 characters with a data folder of up to
// 248 (and the 11 characters of either name).
TEST(FormatLaunchPathsTest, BothPathsOr720) {
  for (size_t length : {248u, 249u}) {
    const std::wstring folder = L"C:\\" + std::wstring(length - 4, L'd') + L"\\";
    PathBuffer shortcut;
    PathBuffer viewer;
    const UINT code = FormatLaunchPaths(folder.c_str(), &shortcut, &viewer);
    EXPECT_EQ(code, length == 248 ? 0u : 720u) << length;
    if (code == 0) {
      EXPECT_EQ(std::wstring(shortcut.Get()), folder + L"Quillon.lnk");
      EXPECT_EQ(std::wstring(viewer.Get()), folder + L"Portico.exe");
    }
  }
}

// Whether each shortcut attempt asked for the run-as mark.
std::vector<bool> g_marks;
void RecordMark(IShellLinkW*, DWORD data_flags) {
  g_marks.push_back((data_flags & SLDF_RUNAS_USER) != 0);
}

// The deployment run in this test program, which carries no payloads: every
// component's resource is missing, so the copies laid out in the data folder
// decide (an empty name: no copy). The old shortcut is held, so that no
// viewer starts: each of the three attempts shows its mark, and the result
// is 732.
TEST(DeployComponentsTest, PresentCopiesAndTheRunAsMarkWithoutPayloads) {
  // Its version is the launcher's, QUILLON_VERSION_DOTTED (quillon_version.h).
  const std::wstring launcher = ProgramFolder() + L"Quillon.exe";
  const struct {
    const char* name;
    std::wstring viewer;
    const wchar_t* driver_vt;
    const wchar_t* driver_xm;
    bool service_ready;
    int user_admin;
    UINT result;
    bool marked;
  } cases[] = {
      {"no service, no administrator", launcher, L"pv_7_0_0_4", L"pv_1_0_2_0", false, 0, 732, true},
      {"no service, administrator", launcher, L"pv_7_0_0_4", L"pv_1_0_2_0", false, 1, 732, false},
      {"ready service, no administrator", launcher, L"pv_7_0_0_4", L"pv_1_0_2_0", true, 0, 732,
       false},
      {"a viewer without a version", Fixture(L"pv_none"), L"pv_7_0_0_4", L"pv_1_0_2_0", true, 0,
       721, false},
      // A FileVersion that isn't four comma-separated numbers is no version,
      // whatever its first number.
      {"a viewer of the version 7.0.0.74", ProgramFolder() + L"versions\\dotted.dll", L"pv_7_0_0_4",
       L"pv_1_0_2_0", true, 0, 721, false},
      {"a viewer of the version 7, 0, 0", ProgramFolder() + L"versions\\three.dll", L"pv_7_0_0_4",
       L"pv_1_0_2_0", true, 0, 721, false},
      {"the first driver of another version", launcher, L"pv_7_0_0_5", L"pv_1_0_2_0", true, 0, 828,
       false},
      {"the first driver missing", launcher, L"", L"pv_1_0_2_0", true, 0, 828, false},
      {"the second driver of another version", launcher, L"pv_7_0_0_4", L"pv_7_0_0_4", true, 0, 829,
       false},
  };
  ScopedOverride<int> native32(g_native32_for_testing, 1);
  ScopedOverride<ShortcutBeforeSaveHook> hook(g_shortcut_before_save_for_testing, RecordMark);
  for (const auto& c : cases) {
    ScopedDataFolderAside aside;
    const std::wstring data = ShortDataFolder();
    ASSERT_FALSE(data.empty()) << c.name;
    ASSERT_TRUE(::CopyFileW(c.viewer.c_str(), (data + L"Portico.exe").c_str(), FALSE)) << c.name;
    for (const auto& driver : {std::make_pair(c.driver_vt, L"OstrelVT6.sys"),
                               std::make_pair(c.driver_xm, L"OstrelXM2.sys")}) {
      if (driver.first[0] != L'\0') {
        ASSERT_TRUE(
            ::CopyFileW(Fixture(driver.first).c_str(), (data + driver.second).c_str(), FALSE))
            << c.name;
      }
    }
    ASSERT_TRUE(helpers::WriteText(data + L"Quillon.lnk", "old")) << c.name;
    FileHandle held(::CreateFileW((data + L"Quillon.lnk").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid()) << c.name;
    ScopedOverride<int> admin(g_user_admin_for_testing, c.user_admin);
    SetServiceReady(c.service_ready);
    RetrySleepCounter sleeps;
    g_marks.clear();
    EXPECT_EQ(DeployComponents(), c.result) << c.name;
    EXPECT_EQ(g_marks, std::vector<bool>(c.result == 732 ? 3 : 0, c.marked)) << c.name;
  }
  SetServiceReady(false);
}

}  // namespace
}  // namespace quillon
