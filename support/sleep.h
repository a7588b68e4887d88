// The sleep between retries (deletion, shortcut, wait loop, busy pipe) and the
// clock of the bounded waits (the busy pipe, the service's reply). Tests
// replace them so that retry loops can be counted, and a bound reached,
// without waiting.
#ifndef QUILLON_SUPPORT_SLEEP_H_
#define QUILLON_SUPPORT_SLEEP_H_

#include <windows.h>

namespace quillon {

// Sleeps |milliseconds|, or calls the test hook when one is installed.
void RetrySleep(DWORD milliseconds);

using RetrySleepHook = void (*)(DWORD milliseconds);
// Test seam (support/scoped_override.h): null sleeps.
extern RetrySleepHook g_retry_sleep_for_testing;

// The milliseconds since the system started (GetTickCount), or the test
// hook's answer when one is installed. Callers measure time as the unsigned
// difference of two answers, which stays right across the count's wrap.
DWORD RetryTickCount();

using RetryTickCountHook = DWORD (*)();
// Test seam (support/scoped_override.h): null reads GetTickCount.
extern RetryTickCountHook g_retry_tick_count_for_testing;

}  // namespace quillon

#endif  // QUILLON_SUPPORT_SLEEP_H_
