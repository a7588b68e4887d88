#include "launcher/launch.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::TempDir;
using helpers::WriteText;
using helpers::WriteUtf16;

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
