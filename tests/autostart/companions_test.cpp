// The walk of the stick for the companion programs, on the test stick (S:).
#include "autostart/companions.h"

#include <windows.h>

#include <string>

#include "autostart/setup_dialog.h"
#include "gtest/gtest.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::ClearStick;
using helpers::Narrow;
using helpers::ProgramFolder;
using helpers::StickRoot;

class CompanionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (StickRoot().empty())
      GTEST_SKIP() << "QUILLON_STICK is not set: run through tools/test.sh";
    ASSERT_TRUE(ClearStick());
    ForgetStickWalkForTesting();
  }
  void TearDown() override {
    ClearStick();
    ForgetStickWalkForTesting();
  }
  // Copies a companion stand-in to |path| below the stick's root (folders
  // made on the way, long paths included), under its name there.
  static void Place(const std::wstring& version_folder, const std::wstring& path) {
    std::wstring target = L"\\\\?\\" + StickRoot() + path;
    for (size_t at = target.find(L'\\', 8); at != std::wstring::npos;
         at = target.find(L'\\', at + 1))
      ::CreateDirectoryW(target.substr(0, at).c_str(), nullptr);
    std::wstring source = ProgramFolder() + L"companions\\" + version_folder;
    ASSERT_TRUE(::CopyFileW(source.c_str(), target.c_str(), FALSE)) << Narrow(path);
  }
  PathBuffer found_;
};

// An old copy doesn't end the search; the name is compared in any case; a
// folder named like the program is walked into; both answers come from one
// walk: a copy that it found is still the answer once it is gone.
TEST_F(CompanionsTest, FirstAcceptedCopiesFromOneWalk) {
  Place(L"6_0_0_17\\Swiftgate.exe", L"a\\Swiftgate.exe");
  Place(L"6_0_0_18\\Swiftgate.exe", L"a\\b\\SWIFTGATE.EXE");
  Place(L"Confera.exe", L"Confera.exe\\inner\\confera.exe");
  ASSERT_TRUE(FindSwiftgate(StickRoot().c_str(), &found_));
  EXPECT_EQ(std::wstring(found_.Get()), StickRoot() + L"a\\b\\SWIFTGATE.EXE");
  ASSERT_TRUE(::DeleteFileW((StickRoot() + L"Confera.exe\\inner\\confera.exe").c_str()));
  ASSERT_TRUE(FindConfera(StickRoot().c_str(), &found_));
  EXPECT_EQ(std::wstring(found_.Get()), StickRoot() + L"Confera.exe\\inner\\confera.exe");
}

// Two accepted copies: the first in the walk's order, depth first, is taken.
TEST_F(CompanionsTest, FirstOfTwoAcceptedCopies) {
  // Which of two folders the walk meets first is the file system's order.
  ASSERT_TRUE(::CreateDirectoryW((StickRoot() + L"p").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((StickRoot() + L"q").c_str(), nullptr));
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((StickRoot() + L"*.*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  while (entry.cFileName[0] == L'.' && ::FindNextFileW(find, &entry)) {
  }
  ::FindClose(find);
  const std::wstring first = entry.cFileName, second = first == L"p" ? L"q" : L"p";
  Place(L"6_0_0_18\\Swiftgate.exe", first + L"\\deep\\Swiftgate.exe");
  Place(L"6_0_0_18\\Swiftgate.exe", second + L"\\Swiftgate.exe");
  ASSERT_TRUE(FindSwiftgate(StickRoot().c_str(), &found_));
  EXPECT_EQ(std::wstring(found_.Get()), StickRoot() + first + L"\\deep\\Swiftgate.exe");
}

// Only too-old copies (the first number or the fourth below 6, 18), and a copy
// whose path doesn't fit 260 characters: none found, and the out buffer
// untouched.
TEST_F(CompanionsTest, OldOrTooDeepCopiesAreNotFound) {
  Place(L"6_0_0_17\\Swiftgate.exe", L"Swiftgate.exe");
  Place(L"5_9_9_18\\Swiftgate.exe", L"five\\Swiftgate.exe");
  const std::wstring deep = std::wstring(200, L'd') + L"\\" + std::wstring(60, L'e');
  Place(L"Confera.exe", deep + L"\\Confera.exe");
  ASSERT_TRUE(found_.Assign(L"untouched"));
  EXPECT_FALSE(FindSwiftgate(StickRoot().c_str(), &found_));
  EXPECT_FALSE(FindConfera(StickRoot().c_str(), &found_));
  EXPECT_STREQ(found_.Get(), L"untouched");
}

// The update run's answer is the companion's exit code once it has ended; a
// wait that fails (a handle without the right to wait on) gives 0, not the
// 259 of a process that still runs.
TEST(UpdateRunTest, ExitCodeOnlyOfAnEndedProcess) {
  const struct {
    const wchar_t* name;
    const wchar_t* command;  // null: this running program, without SYNCHRONIZE
    DWORD code;
  } cases[] = {
      {L"ended with 7", L"cmd.exe /c exit 7", 7},
      {L"ended with 0", L"cmd.exe /c exit 0", 0},
      {L"still running, wait refused", nullptr, 0},
  };
  for (const auto& c : cases) {
    PROCESS_INFORMATION started = {};
    HANDLE process = nullptr;
    if (c.command) {
      std::wstring line = c.command;
      STARTUPINFOW startup = {};
      startup.cb = sizeof(startup);
      ASSERT_TRUE(::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &started))
          << Narrow(c.name);
      ::CloseHandle(started.hThread);
      process = started.hProcess;
    } else {
      process = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, ::GetCurrentProcessId());
      ASSERT_NE(process, nullptr);
    }
    EXPECT_EQ(ExitCodeOnceEnded(process), c.code) << Narrow(c.name);
    ::CloseHandle(process);
  }
}

}  // namespace
}  // namespace quillon
