#include "launcher/launch.h"

#include <string>

#include "gtest/gtest.h"
#include "launcher/paths/module_paths.h"
#include "launcher/wait_window.h"
#include "tests/support/test_files.h"

namespace quillon {
namespace {

using testing::Narrow;
using testing::ProgramFolder;
using testing::TempDir;
using testing::WriteText;
using testing::WriteUtf16;

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

struct FolderCase {
  std::wstring path;
  bool ok;
  std::wstring folder;
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

// The gate's decision on the reported version and the native bitness, for
// every version that the launcher may meet: yes where it lets the start go on
// without the stick's settings.
TEST(WindowsVersionGateTest, Table) {
  struct Case {
    DWORD major;
    DWORD minor;
    bool on32;  // 32-bit system
    bool on64;  // 64-bit system
  };
  const Case cases[] = {
      {5, 0, false, false}, {5, 1, true, false},  {5, 2, false, false}, {6, 0, true, false},
      {6, 1, true, true},   {6, 2, true, true},   {6, 3, false, false}, {10, 0, false, false},
      {4, 0, false, false}, {0, 0, false, false}, {7, 1, false, false}, {6, 4, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.on32, IsSupportedWindows(c.major, c.minor, true)) << c.major << "." << c.minor;
    EXPECT_EQ(c.on64, IsSupportedWindows(c.major, c.minor, false)) << c.major << "." << c.minor;
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

TEST(VersionCheckTest, OnlyDisableInAnyCaseLiftsTheCheck) {
  struct Case {
    const wchar_t* value;
    bool expected;
  };
  const Case cases[] = {
      {L"Disable", true},
      {L"DISABLE", true},
      {L"disable", true},
      {L"dIsAbLe", true},
      // The profile reader drops the blanks around a value.
      {L"  Disable  ", true},
      {L"Disabled", false},
      {L"Disabl", false},
      {L"Disable!", false},
      {L"D\u0130SABLE", false},
      {L"Dis able", false},
      {L"Enable", false},
      {L"0", false},
      {L"", false},
  };
  TempDir dir;
  const std::wstring path = dir.Join(L"Setting.ini");
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteUtf16(path, std::wstring(L"[Quillon]\r\nVersion_check=") + c.value + L"\r\n"));
    EXPECT_EQ(c.expected, IsVersionCheckDisabled(path.c_str())) << "UTF-16 " << Narrow(c.value);
    ASSERT_TRUE(WriteText(path, "[Quillon]\r\nVersion_check=" + Narrow(c.value) + "\r\n"));
    EXPECT_EQ(c.expected, IsVersionCheckDisabled(path.c_str())) << "ANSI " << Narrow(c.value);
  }
}

TEST(VersionCheckTest, MissingFileSectionOrKeyKeepsTheCheck) {
  TempDir dir;
  const std::wstring path = dir.Join(L"Setting.ini");
  EXPECT_FALSE(IsVersionCheckDisabled(path.c_str()));
  ASSERT_TRUE(WriteText(path, "[Other]\r\nVersion_check=Disable\r\n"));
  EXPECT_FALSE(IsVersionCheckDisabled(path.c_str()));
  ASSERT_TRUE(WriteText(path, "[Quillon]\r\nVT_Parameter=Disable\r\n"));
  EXPECT_FALSE(IsVersionCheckDisabled(path.c_str()));
  // Section and key names compare without regard to case.
  ASSERT_TRUE(WriteText(path, "[quillon]\r\nVERSION_CHECK=Disable\r\n"));
  EXPECT_TRUE(IsVersionCheckDisabled(path.c_str()));
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// The task-kill tool's command line: the tool by its full path, the image
// name quoted; nothing for a name that is empty, holds a quote, * or ?, or
// doesn't fit.
TEST(TaskKillCommandLineTest, Table) {
  // 44 characters besides the name: 215 of name make a line of 259.
  const std::wstring long_name(216, L'n');
  struct Case {
    std::wstring name;
    bool ok;
    std::wstring line;
  } cases[] = {
      {L"Occupier.exe", true, L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"Occupier.exe\""},
      {L"Tool with blanks.exe", true,
       L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"Tool with blanks.exe\""},
      {L"", false, L""},
      {L"a\" /IM \"explorer.exe", false, L""},
      // The tool's patterns.
      {L"*", false, L""},
      {L"Occupier*.exe", false, L""},
      {L"Occupie?.exe", false, L""},
      {long_name.substr(0, long_name.size() - 1), true,
       L"\"C:\\windows\\system32\\taskkill.exe\" /F /IM \"" + long_name.substr(1) + L"\""},
      {long_name, false, L""},
  };
  for (const Case& c : cases) {
    wchar_t line[260] = {};
    EXPECT_EQ(TaskKillCommandLine(L"C:\\windows\\system32", c.name.c_str(), line, 260), c.ok)
        << Narrow(c.name);
    if (c.ok) {
      EXPECT_EQ(std::wstring(line), c.line) << Narrow(c.name);
    }
  }
}

}  // namespace
}  // namespace quillon
