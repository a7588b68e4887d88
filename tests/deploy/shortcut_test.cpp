#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "deploy/shortcut.h"
#include "gtest/gtest.h"
#include "support/handles.h"
#include "support/scoped_override.h"
#include "support/sleep.h"
#include "tests/helpers/shortcut_file.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::Narrow;
using helpers::ReadLink;
using helpers::SavedLink;
using helpers::TempDir;

// What the before-save hook saw, and the sleeps taken.
int g_saves_attempted = 0;
DWORD g_flags_before_save = 0;
std::vector<DWORD> g_sleeps;

DWORD g_object_flags = 0;

void RecordLinkBeforeSave(IShellLinkW* link, DWORD data_flags) {
  ++g_saves_attempted;
  g_flags_before_save = link ? data_flags : 0xFFFFFFFF;
  // What the object itself reports. (Wine keeps no flags that it is given:
  // its report is made from the path, the arguments and the like.)
  ComPtr<IShellLinkDataList> data_list;
  g_object_flags = 0xFFFFFFFF;
  if (link && SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data_list.ReceiveVoid())))
    data_list->GetFlags(&g_object_flags);
}

void RecordSleep(DWORD milliseconds) {
  g_sleeps.push_back(milliseconds);
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_saves_attempted = 0;
    g_flags_before_save = 0;
    g_sleeps.clear();
    target_ = dir_.Join(L"Portico.exe");
    ASSERT_TRUE(helpers::WriteText(target_, "MZ"));
    shortcut_ = dir_.Join(L"Quillon.lnk");
  }

  TempDir dir_;
  std::wstring target_;
  std::wstring shortcut_;
  ScopedOverride<RetrySleepHook> sleep_{g_retry_sleep_for_testing, RecordSleep};
  ScopedOverride<ShortcutBeforeSaveHook> hook_{g_shortcut_before_save_for_testing,
                                               RecordLinkBeforeSave};
};

// The launcher's own path is the argument text as given: blanks and all,
// no quotes added.
TEST_F(ShortcutTest, SavesTargetAndArgumentsUnquoted) {
  const wchar_t* cases[] = {
      L"S:\\my stick\\Quillon tool\\Quillon.exe",
      L"S:\\Quillon.exe",
      L"",
  };
  for (const wchar_t* arguments : cases) {
    ASSERT_TRUE(
        CreateLaunchShortcut(shortcut_.c_str(), target_.c_str(), arguments, /*run_as_admin=*/false))
        << Narrow(arguments);
    SavedLink link = ReadLink(shortcut_);
    ASSERT_TRUE(link.loaded) << Narrow(arguments);
    EXPECT_EQ(::lstrcmpiW(link.path.c_str(), target_.c_str()), 0)
        << Narrow(link.path) << " vs " << Narrow(target_);
    EXPECT_EQ(link.arguments, arguments) << Narrow(link.arguments);
    ASSERT_TRUE(::DeleteFileW(shortcut_.c_str()));
  }
}

TEST_F(ShortcutTest, NullArgumentsLeaveNone) {
  ASSERT_TRUE(CreateLaunchShortcut(shortcut_.c_str(), target_.c_str(), nullptr, false));
  SavedLink link = ReadLink(shortcut_);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.arguments, L"");
}

TEST_F(ShortcutTest, RunAsFlagOnlyWhenAsked) {
  ASSERT_TRUE(CreateLaunchShortcut(shortcut_.c_str(), target_.c_str(), L"x", false));
  ASSERT_EQ(g_saves_attempted, 1);
  EXPECT_EQ(g_flags_before_save & SLDF_RUNAS_USER, 0u) << std::hex << g_flags_before_save;

  ASSERT_TRUE(CreateLaunchShortcut(shortcut_.c_str(), target_.c_str(), L"x", true));
  ASSERT_EQ(g_saves_attempted, 2);
  // The bit is added to the flags that the object reports.
  EXPECT_NE(g_object_flags & ~static_cast<DWORD>(SLDF_RUNAS_USER), 0u)
      << std::hex << g_object_flags;
  EXPECT_EQ(g_flags_before_save, g_object_flags | SLDF_RUNAS_USER)
      << std::hex << g_flags_before_save << " from " << g_object_flags;
}

TEST_F(ShortcutTest, SuccessTakesOneAttemptAndOneSleep) {
  ASSERT_TRUE(CreateShortcutWithRetry(shortcut_.c_str(), target_.c_str(), L"a b", false));
  EXPECT_EQ(g_saves_attempted, 1);
  EXPECT_EQ(g_sleeps, std::vector<DWORD>({100}));
  EXPECT_TRUE(ReadLink(shortcut_).loaded);
}

TEST_F(ShortcutTest, ShortcutInMissingFolderFailsAfterThreeAttempts) {
  std::wstring shortcut = dir_.Join(L"missing\\Quillon.lnk");
  EXPECT_FALSE(CreateShortcutWithRetry(shortcut.c_str(), target_.c_str(), L"a", true));
  EXPECT_EQ(g_saves_attempted, 3);
  EXPECT_EQ(g_sleeps, std::vector<DWORD>({100, 100, 100}));
}

// An old shortcut is replaced, not appended to or merged with.
TEST_F(ShortcutTest, ReplacesAnOldShortcut) {
  ASSERT_TRUE(CreateShortcutWithRetry(shortcut_.c_str(), target_.c_str(), L"old arguments", false));
  std::vector<unsigned char> junk(64 * 1024, 0x5A);
  ASSERT_TRUE(helpers::WriteBytes(shortcut_, junk));

  ASSERT_TRUE(CreateShortcutWithRetry(shortcut_.c_str(), target_.c_str(), L"new", false));
  std::vector<unsigned char> saved;
  ASSERT_TRUE(helpers::ReadBytes(shortcut_, &saved));
  EXPECT_LT(saved.size(), junk.size());
  SavedLink link = ReadLink(shortcut_);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.arguments, L"new");
}

// An old shortcut held open without sharing can be neither deleted nor
// overwritten: every attempt fails, each followed by its sleep.
TEST_F(ShortcutTest, HeldOldShortcutFailsAllAttempts) {
  ASSERT_TRUE(helpers::WriteText(shortcut_, "old"));
  FileHandle held(::CreateFileW(shortcut_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.IsValid());
  EXPECT_FALSE(CreateShortcutWithRetry(shortcut_.c_str(), target_.c_str(), L"a", false));
  EXPECT_EQ(g_sleeps.size(), 3u);
  held.Close();
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(helpers::ReadBytes(shortcut_, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old");
}

// What the thread holds when the shell gets the launch request: the answer
// of an apartment-threaded initialisation then (S_FALSE: COM was there in
// that model already), and the current folder.
HRESULT g_com_at_launch = E_FAIL;
std::wstring g_folder_at_launch;
void RecordLaunchThread(const SHELLEXECUTEINFOW&) {
  g_com_at_launch = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(g_com_at_launch))
    ::CoUninitialize();
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  g_folder_at_launch = folder;
}

// The launch initialises COM (single-threaded apartment) for its call, in the
// data folder, and leaves the thread without it again: an MTA initialisation
// after it succeeds anew. (Wine's shell never returns from opening a shortcut
// on an MTA thread.)
TEST_F(ShortcutTest, LaunchLeavesNoComBehind) {
  ASSERT_TRUE(
      ::CopyFileW((helpers::ProgramFolder() + L"Portico.exe").c_str(), target_.c_str(), FALSE));
  ASSERT_TRUE(CreateLaunchShortcut(shortcut_.c_str(), target_.c_str(), nullptr, false));
  wchar_t before[MAX_PATH] = {};
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, before), 0u);
  {
    ScopedOverride<LaunchBeforeShellHook> hook(g_launch_before_shell_for_testing,
                                               RecordLaunchThread);
    LaunchShortcut(shortcut_.c_str(), dir_.Path().c_str());
  }
  EXPECT_EQ(g_com_at_launch, S_FALSE) << std::hex << g_com_at_launch;
  EXPECT_EQ(g_folder_at_launch, dir_.Path());
  // The launch made the folder the current one.
  ::SetCurrentDirectoryW(before);
  const HRESULT after = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(after, S_OK) << std::hex << after;
  if (SUCCEEDED(after))
    ::CoUninitialize();
}

TEST(LaunchRequestTest, NamesTheShortcutAndTheDataFolderOnly) {
  const wchar_t shortcut[] = L"C:\\Users\\u\\AppData\\Local\\VAULTI~1\\Quillon.lnk";
  const wchar_t folder[] = L"C:\\Users\\u\\AppData\\Local\\VAULTI~1\\";
  SHELLEXECUTEINFOW request;
  std::memset(&request, 0xCD, sizeof(request));
  FillLaunchRequest(&request, shortcut, folder);

  SHELLEXECUTEINFOW expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.cbSize = sizeof(SHELLEXECUTEINFOW);
  expected.lpFile = shortcut;
  expected.lpDirectory = folder;
  expected.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(request.cbSize, sizeof(SHELLEXECUTEINFOW));
  EXPECT_EQ(request.fMask, 0u);
  EXPECT_EQ(request.lpVerb, nullptr);
  EXPECT_EQ(request.lpParameters, nullptr);
  EXPECT_EQ(request.lpFile, shortcut);
  EXPECT_EQ(request.lpDirectory, folder);
  EXPECT_EQ(request.nShow, SW_SHOWNORMAL);
  EXPECT_EQ(request.hwnd, nullptr);
  // Every other byte, padding included, is zero.
  EXPECT_EQ(std::memcmp(&request, &expected, sizeof(request)), 0);
}

}  // namespace
}  // namespace quillon
