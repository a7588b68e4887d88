// The sleep between retries (deletion, shortcut, wait loop). Tests replace it
// so that retry loops can be counted without waiting.
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

}  // namespace quillon

#endif  // QUILLON_SUPPORT_SLEEP_H_
