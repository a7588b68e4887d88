#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "support/handles.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/test_files.h"
#include "userenv/user_environment.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::ReadRegistryValue;
using helpers::RegistryValue;
using helpers::ScopedRegistryValueRestore;
using helpers::TextValue;
using helpers::WriteRegistryValue;

constexpr wchar_t kEnvironment[] = L"Environment";

// A value of HKCU\Environment as read back.
RegistryValue ReadEnvironmentValue(const wchar_t* name) {
  return ReadRegistryValue(HKEY_CURRENT_USER, kEnvironment, name);
}

void SetEnvironmentText(const wchar_t* name, const std::wstring& text) {
  ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kEnvironment, name, TextValue(text)));
}

// Wine gives no way to mount a folder as a drive from inside the prefix, so
// the "stick" of these tests is drive C: of the throwaway prefix, and its
// settings file C:\.cfg\Setting.ini. Whatever was there is put back.
constexpr wchar_t kSettingsFolder[] = L"C:\\.cfg";
constexpr wchar_t kSettingsFile[] = L"C:\\.cfg\\Setting.ini";

class UserEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    had_folder_ = ::GetFileAttributesW(kSettingsFolder) != INVALID_FILE_ATTRIBUTES;
    had_settings_ = helpers::ReadBytes(kSettingsFile, &old_settings_);
    ::CreateDirectoryW(kSettingsFolder, nullptr);
    ::DeleteFileW(kSettingsFile);
  }
  void TearDown() override {
    ::DeleteFileW(kSettingsFile);
    if (had_settings_)
      helpers::WriteBytes(kSettingsFile, old_settings_);
    if (!had_folder_)
      ::RemoveDirectoryW(kSettingsFolder);
  }

  void WriteSettings(const std::string& text) {
    ASSERT_TRUE(helpers::WriteText(kSettingsFile, text));
  }

  ScopedRegistryValueRestore portico_{HKEY_CURRENT_USER, kEnvironment, L"Portico"};
  ScopedRegistryValueRestore parameter_{HKEY_CURRENT_USER, kEnvironment, L"VT_Parameter"};
  bool had_folder_ = false;
  bool had_settings_ = false;
  std::vector<unsigned char> old_settings_;
};

TEST_F(UserEnvironmentTest, PublishesDriveAndParameterAsStrings) {
  WriteSettings("[Quillon]\r\nVT_Parameter=abc\r\n");
  PublishUserEnvironmentFor(L"C:\\stick folder\\");

  RegistryValue portico = ReadEnvironmentValue(L"Portico");
  ASSERT_TRUE(portico.present);
  EXPECT_EQ(portico.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(portico.Text(), L"C:");
  EXPECT_EQ(portico.data.size(), 6u);  // two characters and the terminator

  RegistryValue parameter = ReadEnvironmentValue(L"VT_Parameter");
  ASSERT_TRUE(parameter.present);
  EXPECT_EQ(parameter.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(parameter.Text(), L"abc");
  EXPECT_EQ(parameter.data.size(), 8u);
}

TEST_F(UserEnvironmentTest, DriveLetterKeepsItsCase) {
  PublishUserEnvironmentFor(L"c:\\");
  EXPECT_EQ(ReadEnvironmentValue(L"Portico").Text(), L"c:");
}

// A missing file or key writes an empty value; it doesn't leave an old one.
TEST_F(UserEnvironmentTest, MissingSettingWritesEmptyValue) {
  struct Case {
    const char* what;
    const char* settings;  // null: no settings file
  };
  const Case cases[] = {
      {"no settings file", nullptr},
      {"no key", "[Quillon]\r\nVersion_check=Disable\r\n"},
      {"key in another section", "[Other]\r\nVT_Parameter=abc\r\n"},
  };
  for (const Case& c : cases) {
    ::DeleteFileW(kSettingsFile);
    if (c.settings)
      WriteSettings(c.settings);
    SetEnvironmentText(L"VT_Parameter", L"from an earlier start");
    PublishUserEnvironmentFor(L"C:\\");
    RegistryValue parameter = ReadEnvironmentValue(L"VT_Parameter");
    ASSERT_TRUE(parameter.present) << c.what;
    EXPECT_EQ(parameter.type, static_cast<DWORD>(REG_SZ)) << c.what;
    EXPECT_EQ(parameter.Text(), L"") << c.what;
    EXPECT_EQ(parameter.data.size(), 2u) << c.what;
  }
}

// The setting is read into 256 characters: at most 255 of it are kept.
TEST_F(UserEnvironmentTest, LongParameterIsCutTo255Characters) {
  for (size_t length : {254u, 255u, 256u, 300u}) {
    std::string text;
    for (size_t i = 0; i < length; ++i)
      text += static_cast<char>('a' + i % 26);
    WriteSettings("[Quillon]\r\nVT_Parameter=" + text + "\r\n");
    PublishUserEnvironmentFor(L"C:\\");
    RegistryValue parameter = ReadEnvironmentValue(L"VT_Parameter");
    size_t kept = length < 255 ? length : 255;
    EXPECT_EQ(Narrow(parameter.Text()), text.substr(0, kept)) << length << " characters";
    EXPECT_EQ(parameter.data.size(), (kept + 1) * sizeof(wchar_t)) << length << " characters";
  }
}

TEST_F(UserEnvironmentTest, NoModuleFolderWritesNothing) {
  SetEnvironmentText(L"Portico", L"Q:");
  SetEnvironmentText(L"VT_Parameter", L"kept");
  PublishUserEnvironmentFor(nullptr);
  PublishUserEnvironmentFor(L"");
  EXPECT_EQ(ReadEnvironmentValue(L"Portico").Text(), L"Q:");
  EXPECT_EQ(ReadEnvironmentValue(L"VT_Parameter").Text(), L"kept");
}

// HKCU\Environment is opened, never created: for a user (here a key that
// stands in for HKEY_CURRENT_USER in this process) without it, nothing is
// written and no key appears.
TEST_F(UserEnvironmentTest, MissingEnvironmentKeyIsNotCreated) {
  const std::wstring user = L"Software\\" + helpers::UniqueName(L"QuillonUser");
  RegKey stand_in;
  ASSERT_EQ(CreateRegKey(HKEY_CURRENT_USER, user.c_str(), KEY_ALL_ACCESS, &stand_in),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, stand_in.get()), ERROR_SUCCESS);
  PublishUserEnvironmentFor(L"C:\\");
  ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
  RegKey environment;
  EXPECT_EQ(OpenRegKey(stand_in.get(), kEnvironment, KEY_READ, &environment), ERROR_FILE_NOT_FOUND);
  stand_in.reset();
  EXPECT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, user.c_str()), ERROR_SUCCESS);
}

// The change is announced once to the top-level windows, this test's own
// window among them.
int g_environment_notices = 0;
int g_other_notices = 0;

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTINGCHANGE) {
    const wchar_t* area = reinterpret_cast<const wchar_t*>(lparam);
    if (wparam == 0 && area && ::lstrcmpW(area, L"Environment") == 0) {
      ++g_environment_notices;
    } else {
      ++g_other_notices;
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(UserEnvironmentTest, BroadcastsOneEnvironmentChange) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = CountingWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  std::wstring class_name = helpers::UniqueName(L"QuillonEnvListener");
  window_class.lpszClassName = class_name.c_str();
  ASSERT_NE(::RegisterClassW(&window_class), 0);
  HWND window = ::CreateWindowExW(0, class_name.c_str(), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  g_environment_notices = 0;
  g_other_notices = 0;

  PublishUserEnvironmentFor(L"C:\\");

  EXPECT_EQ(g_environment_notices, 1);
  EXPECT_EQ(g_other_notices, 0);
  ::DestroyWindow(window);
  ::UnregisterClassW(class_name.c_str(), window_class.hInstance);
}

}  // namespace
}  // namespace quillon
