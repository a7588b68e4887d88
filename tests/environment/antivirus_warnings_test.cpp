#include "environment/antivirus_warnings.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

const wchar_t kUserKey[] = L"Software\\Vaultine";

// Only a REG_DWORD that reads as 0 into the four bytes preset to 1 suppresses
// a warning; the gate's SETUP_SWIFTGATE_MSG goes through the same reader.
TEST(WarningFlagTest, OnlyADwordReadAsZeroSuppresses) {
  const struct {
    const char* name;
    bool present;
    DWORD type;
    std::vector<BYTE> data;
    bool suppressed;
  } cases[] = {
      {"missing", false, 0, {}, false},
      {"dword 0", true, REG_DWORD, {0, 0, 0, 0}, true},
      {"dword 1", true, REG_DWORD, {1, 0, 0, 0}, false},
      {"dword 0x100", true, REG_DWORD, {0, 1, 0, 0}, false},
      {"dword of no bytes", true, REG_DWORD, {}, false},
      {"dword of two bytes 0", true, REG_DWORD, {0, 0}, true},
      {"dword of one byte 1", true, REG_DWORD, {1}, false},
      {"dword 0xFFFFFFFF", true, REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"qword 0", true, REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"dword of eight bytes 0", true, REG_DWORD, {0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"big-endian dword 0", true, REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0}, false},
      {"binary 0", true, REG_BINARY, {0, 0, 0, 0}, false},
      {"text 0", true, REG_SZ, {'0', 0, 0, 0}, false},
  };
  for (const wchar_t* flag : {L"AVASTCHECK_MSG", L"360CHECK_MSG"}) {
    ScopedRegistryValueRestore restore(HKEY_CURRENT_USER, kUserKey, flag);
    for (const auto& c : cases) {
      RegistryValue value;
      value.present = c.present;
      value.type = c.type;
      value.data = c.data;
      ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, flag, value)) << c.name;
      EXPECT_EQ(WarningSuppressed(flag), c.suppressed) << c.name;
    }
  }
}

// The fixed path on the Windows folder's drive, whatever that drive is.
TEST(AvastServicePathTest, TakesTheWindowsFoldersDrive) {
  const struct {
    const wchar_t* windows_folder;
    bool ok;
    const wchar_t* path;
  } cases[] = {
      {L"C:\\windows", true, L"C:\\Program Files\\AVAST Software\\AVAST\\AvastSvc.exe"},
      {L"D:\\WINNT", true, L"D:\\Program Files\\AVAST Software\\AVAST\\AvastSvc.exe"},
      {L"", false, L""},
  };
  for (const auto& c : cases) {
    PathBuffer path;
    EXPECT_EQ(AvastServicePath(c.windows_folder, &path), c.ok) << Narrow(c.windows_folder);
    EXPECT_STREQ(path.Get(), c.path);
  }
}

}  // namespace
}  // namespace quillon::helpers
