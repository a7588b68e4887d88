#include "deploy/extract.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "support/handles.h"
#include "tests/deploy/deploy_fixtures.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::FileExists;
using helpers::Narrow;
using helpers::PollUntil;
using helpers::ProgramFolder;
using helpers::ReadBytes;
using helpers::ReadFixture;
using helpers::RetrySleepCounter;
using helpers::TempDir;
using helpers::TempFilesInDataFolder;
using helpers::WriteBytes;
using Bytes = std::vector<unsigned char>;

const Bytes kOldContent = {'o', 'l', 'd'};

// Counts the shell's SHCNE_CREATE notifications for one path, through a
// window registered for the events below a folder.
class CreateNotificationCounter {
 public:
  static constexpr UINT kMessage = WM_APP + 17;

  explicit CreateNotificationCounter(const std::wstring& folder) {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"QuillonCreateNotificationCounter";
    ::RegisterClassW(&window_class);
    window_ = ::CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, window_class.hInstance, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    folder_item_ = ::ILCreateFromPathW(folder.c_str());
    SHChangeNotifyEntry entry = {folder_item_, TRUE};
    registration_ = ::SHChangeNotifyRegister(
        window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery, SHCNE_CREATE,
        kMessage, 1, &entry);
  }
  ~CreateNotificationCounter() {
    if (registration_)
      ::SHChangeNotifyDeregister(registration_);
    if (folder_item_)
      ::ILFree(folder_item_);
    if (window_)
      ::DestroyWindow(window_);
  }

  bool registered() const { return registration_ != 0; }

  // How many notifications named |path|, once those sent so far are in: a
  // last one of its own, for a name that nothing else uses, comes after them.
  int CountFor(const std::wstring& path) {
    const std::wstring last = path + L".last";
    ::SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, last.c_str(), nullptr);
    EXPECT_TRUE(PollUntil("the shell's notifications", 5000, [&] {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
      return Count(last) > 0;
    }));
    return Count(path);
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kMessage)
      return ::DefWindowProcW(window, message, wparam, lparam);
    auto* self =
        reinterpret_cast<CreateNotificationCounter*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = ::SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wparam),
                                              static_cast<DWORD>(lparam), &items, &event);
    if (lock) {
      wchar_t path[MAX_PATH] = {};
      if (self && event == SHCNE_CREATE && items && items[0] &&
          ::SHGetPathFromIDListW(items[0], path)) {
        self->paths_.push_back(path);
      }
      ::SHChangeNotification_Unlock(lock);
    }
    return 0;
  }

  int Count(const std::wstring& path) const {
    int count = 0;
    for (const std::wstring& p : paths_) {
      if (::lstrcmpiW(p.c_str(), path.c_str()) == 0)
        ++count;
    }
    return count;
  }

  HWND window_ = nullptr;
  PIDLIST_ABSOLUTE folder_item_ = nullptr;
  ULONG registration_ = 0;
  std::vector<std::wstring> paths_;
};

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_files_before_ = TempFilesInDataFolder();
    std::wstring module_path = ProgramFolder() + L"deploy_fixture_module.dll";
    module_ = ::LoadLibraryExW(module_path.c_str(), nullptr,
                               LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module_) << "fixture module missing: " << Narrow(module_path);
    folder_ = dir_.Path() + L"\\";
  }
  void TearDown() override {
    if (module_)
      ::FreeLibrary(module_);
    EXPECT_EQ(TempFilesInDataFolder(), temp_files_before_)
        << "a temporary file was left in the data folder";
  }

  bool Extract(const std::wstring& file_name, const wchar_t* resource) {
    return ExtractPayloadFromModule(module_, folder_.c_str(), file_name.c_str(), resource);
  }

  // Names of the files in the test folder (not in its sub-folders).
  std::vector<std::wstring> Files() {
    std::vector<std::wstring> names;
    for (const std::wstring& name : helpers::ListFilesBelow(dir_.Path())) {
      if (name.find(L'\\') == std::wstring::npos)
        names.push_back(name);
    }
    return names;
  }

  TempDir dir_;
  std::wstring folder_;
  HMODULE module_ = nullptr;
  std::set<std::wstring> temp_files_before_;
};

TEST_F(ExtractTest, WritesTheDecodedPayloadAndTellsTheShellOnce) {
  CreateNotificationCounter notifications(dir_.Path());
  std::wstring target = folder_ + L"Portico.exe";
  // Resource names are looked up without regard to case.
  ASSERT_TRUE(Extract(L"Portico.exe", L"Sample_Payload"));
  Bytes output;
  ASSERT_TRUE(ReadBytes(target, &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_300000.bin"));
  if (!notifications.registered())
    GTEST_SKIP() << "the shell offers no change notifications";
  EXPECT_EQ(notifications.CountFor(target), 1);
}

TEST_F(ExtractTest, FolderWithoutBackslashIsJoinedWithOne) {
  ASSERT_TRUE(
      ExtractPayloadFromModule(module_, dir_.Path().c_str(), L"one.bin", L"ONE_BYTE_PAYLOAD"));
  Bytes output;
  ASSERT_TRUE(ReadBytes(dir_.Join(L"one.bin"), &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_1.bin"));
}

TEST_F(ExtractTest, ReplacesAFileWhoseNameDiffersInCase) {
  ASSERT_TRUE(WriteBytes(folder_ + L"PORTICO.EXE", kOldContent));
  ASSERT_TRUE(Extract(L"Portico.exe", L"ONE_BYTE_PAYLOAD"));
  Bytes output;
  ASSERT_TRUE(ReadBytes(folder_ + L"Portico.exe", &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_1.bin"));
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(ExtractTest, MissingOrEmptyResourceLeavesTheOldFileAlone) {
  for (const wchar_t* resource : {L"NO_SUCH_PAYLOAD", L"EMPTY_PAYLOAD"}) {
    ASSERT_TRUE(WriteBytes(folder_ + L"Portico.exe", kOldContent));
    RetrySleepCounter sleeps;
    CreateNotificationCounter notifications(dir_.Path());
    EXPECT_FALSE(Extract(L"Portico.exe", resource)) << Narrow(resource);
    Bytes output;
    ASSERT_TRUE(ReadBytes(folder_ + L"Portico.exe", &output)) << Narrow(resource);
    EXPECT_TRUE(output == kOldContent) << Narrow(resource);
    EXPECT_EQ(sleeps.count(), 0);
    EXPECT_EQ(notifications.CountFor(folder_ + L"Portico.exe"), 0);
  }
  // This program has no payloads of its own.
  EXPECT_FALSE(ExtractPayload(folder_.c_str(), L"Portico.exe", L"__Quillon.exe"));
  EXPECT_TRUE(FileExists(folder_ + L"Portico.exe"));
}

TEST_F(ExtractTest, CorruptPayloadLeavesNothingAtTheTarget) {
  ASSERT_TRUE(WriteBytes(folder_ + L"Portico.exe", kOldContent));
  CreateNotificationCounter notifications(dir_.Path());
  EXPECT_FALSE(Extract(L"Portico.exe", L"CUT_PAYLOAD"));
  EXPECT_FALSE(FileExists(folder_ + L"Portico.exe"));
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(notifications.CountFor(folder_ + L"Portico.exe"), 0);
}

// The target as the compressed bytes are written to it: emptied, and nobody
// else can open it, to read, write or delete.
TEST_F(ExtractTest, TargetIsHeldWithoutSharingWhileWritten) {
  const std::wstring target = folder_ + L"Portico.exe";
  ASSERT_TRUE(WriteBytes(target, kOldContent));
  {
    StdioFile file = OpenForWritingAlone(target.c_str());
    ASSERT_TRUE(file);
    const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, DELETE};
    for (DWORD access : accesses) {
      FileHandle other(::CreateFileW(target.c_str(), access,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      EXPECT_FALSE(other.IsValid()) << std::hex << access;
    }
  }
  Bytes output;
  ASSERT_TRUE(ReadBytes(target, &output));
  EXPECT_TRUE(output.empty());
}

// A full disk (a small tmpfs that tools/test.sh mounts where it may, reached
// through Wine's drive Z:) fails the write of the compressed bytes: nothing
// is left at the target.
TEST_F(ExtractTest, FailedWriteLeavesNothingAtTheTarget) {
  wchar_t full[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUILLON_FULL_DISK", full, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    GTEST_SKIP() << "QUILLON_FULL_DISK is not set: run through tools/test.sh as root";
  const std::wstring folder = std::wstring(full) + L"\\";
  ASSERT_TRUE(helpers::ListFilesBelow(full).empty());
  RetrySleepCounter sleeps;
  EXPECT_FALSE(
      ExtractPayloadFromModule(module_, folder.c_str(), L"Portico.exe", L"SAMPLE_PAYLOAD"));
  EXPECT_FALSE(FileExists(folder + L"Portico.exe"));
  EXPECT_TRUE(helpers::ListFilesBelow(full).empty());
}

TEST_F(ExtractTest, MissingFolderFails) {
  EXPECT_FALSE(ExtractPayloadFromModule(module_, (folder_ + L"missing\\").c_str(), L"x.bin",
                                        L"SAMPLE_PAYLOAD"));
  EXPECT_FALSE(ExtractPayloadFromModule(module_, L"", L"x.bin", L"SAMPLE_PAYLOAD"));
}

// A file held open without delete sharing, as a running program holds its own file.
TEST_F(ExtractTest, HeldTargetCostsTenAttemptsAndStaysUnchanged) {
  std::wstring target = folder_ + L"Portico.exe";
  ASSERT_TRUE(WriteBytes(target, kOldContent));
  FileHandle holder(::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.IsValid());
  RetrySleepCounter sleeps;
  EXPECT_FALSE(Extract(L"Portico.exe", L"SAMPLE_PAYLOAD"));
  EXPECT_EQ(sleeps.count(), 10);
  EXPECT_EQ(sleeps.total_milliseconds(), 1000u);
  holder.Close();
  Bytes output;
  ASSERT_TRUE(ReadBytes(target, &output));
  EXPECT_TRUE(output == kOldContent);
}

TEST_F(ExtractTest, TargetPathMustFit260Characters) {
  // A folder and names that make target paths of exactly 259 and 260 characters.
  std::wstring folder = folder_ + std::wstring(100 - folder_.size(), L'd') + L"\\";
  ASSERT_EQ(folder.size(), 101u);
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  std::wstring fits(259 - folder.size(), L'n');
  std::wstring too_long = fits + L"n";

  ASSERT_TRUE(ExtractPayloadFromModule(module_, folder.c_str(), fits.c_str(), L"ONE_BYTE_PAYLOAD"))
      << "259 characters";
  Bytes output;
  ASSERT_TRUE(ReadBytes(folder + fits, &output));
  EXPECT_TRUE(output == ReadFixture(L"sample_1.bin"));

  // The 260-character path would be cut to the 259-character one: that file
  // must stay as it is, and nothing else may appear.
  ASSERT_TRUE(WriteBytes(folder + fits, kOldContent));
  RetrySleepCounter sleeps;
  EXPECT_FALSE(
      ExtractPayloadFromModule(module_, folder.c_str(), too_long.c_str(), L"ONE_BYTE_PAYLOAD"));
  EXPECT_EQ(sleeps.count(), 0);
  ASSERT_TRUE(ReadBytes(folder + fits, &output));
  EXPECT_TRUE(output == kOldContent);
  EXPECT_EQ(helpers::ListFilesBelow(folder).size(), 1u);
}

class DeleteFileWithRetryTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(DeleteFileWithRetryTest, MissingOrDeletableFileNeedsOneAttempt) {
  RetrySleepCounter sleeps;
  EXPECT_TRUE(DeleteFileWithRetry(dir_.Join(L"missing.bin").c_str()));
  std::wstring path = dir_.Join(L"present.bin");
  ASSERT_TRUE(WriteBytes(path, kOldContent));
  EXPECT_TRUE(DeleteFileWithRetry(path.c_str()));
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(sleeps.count(), 0);
}

TEST_F(DeleteFileWithRetryTest, HeldFileCostsTenAttemptsAndTenSleeps) {
  std::wstring path = dir_.Join(L"held.bin");
  ASSERT_TRUE(WriteBytes(path, kOldContent));
  FileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.IsValid());
  RetrySleepCounter sleeps;
  EXPECT_FALSE(DeleteFileWithRetry(path.c_str()));
  EXPECT_EQ(sleeps.count(), 10);
  EXPECT_EQ(sleeps.total_milliseconds(), 1000u);
  EXPECT_TRUE(FileExists(path));
}

HANDLE g_released_at_ninth_sleep = INVALID_HANDLE_VALUE;

TEST_F(DeleteFileWithRetryTest, FileReleasedBeforeTheLastAttemptIsDeleted) {
  std::wstring path = dir_.Join(L"held.bin");
  ASSERT_TRUE(WriteBytes(path, kOldContent));
  g_released_at_ninth_sleep = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(g_released_at_ninth_sleep, INVALID_HANDLE_VALUE);
  RetrySleepCounter sleeps;
  sleeps.set_on_sleep([](int number) {
    if (number == 9)
      ::CloseHandle(std::exchange(g_released_at_ninth_sleep, INVALID_HANDLE_VALUE));
  });
  EXPECT_TRUE(DeleteFileWithRetry(path.c_str()));
  EXPECT_EQ(sleeps.count(), 9);
  EXPECT_FALSE(FileExists(path));
  if (g_released_at_ninth_sleep != INVALID_HANDLE_VALUE)
    ::CloseHandle(g_released_at_ninth_sleep);
}

}  // namespace
}  // namespace quillon
