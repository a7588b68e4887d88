#include "launcher/wait_window.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "launcher/launch.h"
#include "support/scoped_override.h"
#include "support/sleep.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;

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

// The wait loop's clock: it starts 30 s before the tick count wraps, and each
// idle turn reads the next elapsed time. Each pause records the bar as the
// turn before left it; the third ends the wait (the busy mutex goes).
namespace wait_clock {
constexpr DWORD kStart = 0xFFFFFFFFu - 30000;
constexpr DWORD kElapsedMs[] = {0, 89999, 90999, 200000};
size_t g_ticks_read = 0;
LRESULT g_range = 0;
int g_pauses = 0;
std::vector<LRESULT> g_positions;
HANDLE g_busy = nullptr;

BOOL CALLBACK TakeWaitWindow(HWND window, LPARAM found) {
  if (::GetDlgItem(window, 2001))
    *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

DWORD Ticks() {
  const size_t last = sizeof(kElapsedMs) / sizeof(kElapsedMs[0]) - 1;
  return kStart + kElapsedMs[g_ticks_read < last ? g_ticks_read++ : last];
}

void Pause(DWORD) {
  if (g_pauses++ > 0) {
    HWND window = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), TakeWaitWindow, reinterpret_cast<LPARAM>(&window));
    g_positions.push_back(::SendDlgItemMessageW(window, 2001, PBM_GETPOS, 0, 0));
    g_range = ::SendDlgItemMessageW(window, 2001, PBM_GETRANGE, FALSE, 0);
  }
  if ((g_positions.size() == 3 || g_pauses > 50) && g_busy) {
    ::CloseHandle(g_busy);
    g_busy = nullptr;
  }
}
}  // namespace wait_clock

// The bar shows the whole seconds of waiting and stops at 90 of 100; the wait
// goes on past 90 seconds, across the tick count's wrap, until the stick is free.
TEST(WaitLoopTest, BarStopsAt90AndTheWaitGoesOn) {
  wait_clock::g_busy = ::CreateMutexW(nullptr, FALSE, L"_OstrelVT7_Mutex");
  ASSERT_NE(wait_clock::g_busy, nullptr);
  ScopedOverride<RetryTickCountHook> ticks(g_retry_tick_count_for_testing, wait_clock::Ticks);
  ScopedOverride<RetrySleepHook> pause(g_retry_sleep_for_testing, wait_clock::Pause);
  EXPECT_TRUE(WaitWhileStickIsBusy());
  EXPECT_EQ(wait_clock::g_positions, (std::vector<LRESULT>{89, 90, 90}));
  EXPECT_EQ(wait_clock::g_range, 100);
}

}  // namespace
}  // namespace quillon
