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

// Installs |hook| for its lifetime and puts the previous one back.
class ScopedRetrySleepForTesting {
 public:
  explicit ScopedRetrySleepForTesting(RetrySleepHook hook);
  ~ScopedRetrySleepForTesting();
  ScopedRetrySleepForTesting(const ScopedRetrySleepForTesting&) = delete;
  ScopedRetrySleepForTesting& operator=(const ScopedRetrySleepForTesting&) = delete;

 private:
  RetrySleepHook previous_;
};

// The milliseconds since the system started (GetTickCount), or the test
// hook's answer when one is installed. Callers measure time as the unsigned
// difference of two answers, which stays right across the count's wrap.
DWORD RetryTickCount();

using RetryTickCountHook = DWORD (*)();

// Installs |hook| for its lifetime and puts the previous one back.
class ScopedRetryTickCountForTesting {
 public:
  explicit ScopedRetryTickCountForTesting(RetryTickCountHook hook);
  ~ScopedRetryTickCountForTesting();
  ScopedRetryTickCountForTesting(const ScopedRetryTickCountForTesting&) = delete;
  ScopedRetryTickCountForTesting& operator=(const ScopedRetryTickCountForTesting&) = delete;

 private:
  RetryTickCountHook previous_;
};

}  // namespace quillon

#endif  // QUILLON_SUPPORT_SLEEP_H_
