#include "launcher/paths/module_paths.h"

#include <string>

#include "gtest/gtest.h"
#include "support/scoped_override.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::ProgramFolder;

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

TEST(ModulePathTest, ModuleFolderIsTheTestProgramsFolder) {
  const wchar_t* folder = GetModuleFolder();
  ASSERT_NE(nullptr, folder);
  EXPECT_EQ(ProgramFolder(), folder);
  EXPECT_EQ(L'\\', std::wstring(folder).back());
  EXPECT_TRUE(IsDriveLetterPath(folder)) << Narrow(folder);
}

TEST(ModulePathTest, ModuleIniPathReplacesTheExtension) {
  const std::wstring own = OwnPath();
  ASSERT_EQ(L".exe", own.substr(own.size() - 4));
  const wchar_t* ini = GetModuleIniPath();
  ASSERT_NE(nullptr, ini);
  EXPECT_EQ(own.substr(0, own.size() - 4) + L".ini", ini);
}

// An own path that can't be read gives neither path.
TEST(ModulePathTest, UnreadableOwnPathGivesNeither) {
  ScopedOverride<const wchar_t*> own_path(g_own_path_for_testing, L"");
  EXPECT_EQ(nullptr, GetModuleFolder());
  EXPECT_EQ(nullptr, GetModuleIniPath());
}

struct FolderCase {
  std::wstring path;
  bool ok;
  std::wstring folder;  // or the settings path
};

TEST(ModuleFolderFromPathTest, Table) {
  const std::wstring n255(255, L'n');
  const std::wstring n256(256, L'n');
  // A directory of 255 characters: "\" + 253 characters + "\".
  const std::wstring d255 = L"\\" + std::wstring(253, L'd') + L"\\";
  const std::wstring d256 = L"\\" + std::wstring(254, L'd') + L"\\";
  const std::wstring e255 = L"." + std::wstring(254, L'e');
  const std::wstring e256 = L"." + std::wstring(255, L'e');
  const FolderCase cases[] = {
      {L"E:\\Quillon.exe", true, L"E:\\"},
      {L"E:\\tools\\vault\\Quillon.exe", true, L"E:\\tools\\vault\\"},
      {L"E:/tools/Quillon.exe", true, L"E:/tools/"},
      {L"E:\\tools/mixed\\Quillon.exe", true, L"E:\\tools/mixed\\"},
      {L"E:\\dir.v2\\Quillon", true, L"E:\\dir.v2\\"},
      {L"\\\\server\\share\\Quillon.exe", true, L"\\\\server\\share\\"},
      {L"E:Quillon.exe", true, L"E:"},
      {L"Quillon.exe", true, L""},
      {L"", true, L""},
      {L"E:\\" + n255 + L".exe", true, L"E:\\"},
      {L"E:\\" + n256 + L".exe", false, L""},
      {L"E:" + d255 + L"Q.exe", true, L"E:" + d255},
      {L"E:" + d256 + L"Q.exe", false, L""},
      {L"E:\\Q" + e255, true, L"E:\\"},
      {L"E:\\Q" + e256, false, L""},
  };
  for (const FolderCase& c : cases) {
    PathBuffer folder;
    folder.Assign(L"#");
    EXPECT_EQ(c.ok, ModuleFolderFromPath(c.path.c_str(), &folder)) << Narrow(c.path);
    EXPECT_EQ(c.folder, folder.Get()) << Narrow(c.path);
  }
  PathBuffer folder;
  EXPECT_FALSE(ModuleFolderFromPath(nullptr, &folder));
}

// The last "." of the whole path, a folder's too, starts what ".ini" replaces.
TEST(ModuleIniPathFromPathTest, Table) {
  const std::wstring n251(251, L'n');  // with "E:\": 254, and ".ini": 258
  const FolderCase cases[] = {
      {L"E:\\Quillon.exe", true, L"E:\\Quillon.ini"},
      {L"E:\\Quillon", true, L"E:\\Quillon.ini"},
      {L"E:\\dir.v2\\Quillon", true, L"E:\\dir.ini"},
      {L"E:\\dir.v2\\Quillon.EXE", true, L"E:\\dir.v2\\Quillon.ini"},
      {L"E:\\" + n251 + L"x", true, L"E:\\" + n251 + L"x.ini"},
      {L"E:\\" + n251 + L"xy", false, L""},
      {L"E:\\" + n251 + L"x.exe", true, L"E:\\" + n251 + L"x.ini"},  // 259: at capacity
  };
  for (const FolderCase& c : cases) {
    PathBuffer ini;
    EXPECT_EQ(c.ok, ModuleIniPathFromPath(c.path.c_str(), &ini)) << Narrow(c.path);
    EXPECT_EQ(c.folder, ini.Get()) << Narrow(c.path);
  }
}

TEST(IsDriveLetterPathTest, Table) {
  struct Case {
    const wchar_t* path;
    bool expected;
  };
  const Case cases[] = {
      {L"E:\\", true},
      {L"e:\\", true},
      {L"A:\\x\\", true},
      {L"z:", true},
      {L"E:", true},
      {L"\\\\server\\share\\", false},
      {L"\\\\?\\E:\\", false},
      {L"\\E:\\", false},
      {L"E\\", false},
      {L"E", false},
      {L"", false},
      {L":\\", false},
      {L"1:\\", false},
      // The characters just outside the letter ranges.
      {L"@:\\", false},
      {L"[:\\", false},
      {L"`:\\", false},
      {L"{:\\", false},
      {L"\u00C9:\\", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, IsDriveLetterPath(c.path)) << Narrow(c.path);
  }
  EXPECT_FALSE(IsDriveLetterPath(nullptr));
}

}  // namespace
}  // namespace quillon
