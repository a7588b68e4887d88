#include "support/sleep.h"

namespace quillon {
namespace {
RetrySleepHook g_sleep_hook = nullptr;
RetryTickCountHook g_tick_count_hook = nullptr;
}  // namespace

void RetrySleep(DWORD milliseconds) {
  if (g_sleep_hook) {
    g_sleep_hook(milliseconds);
    return;
  }
  ::Sleep(milliseconds);
}

ScopedRetrySleepForTesting::ScopedRetrySleepForTesting(RetrySleepHook hook)
    : previous_(g_sleep_hook) {
  g_sleep_hook = hook;
}

ScopedRetrySleepForTesting::~ScopedRetrySleepForTesting() {
  g_sleep_hook = previous_;
}

DWORD RetryTickCount() {
  return g_tick_count_hook ? g_tick_count_hook() : ::GetTickCount();
}

ScopedRetryTickCountForTesting::ScopedRetryTickCountForTesting(RetryTickCountHook hook)
    : previous_(g_tick_count_hook) {
  g_tick_count_hook = hook;
}

ScopedRetryTickCountForTesting::~ScopedRetryTickCountForTesting() {
  g_tick_count_hook = previous_;
}

}  // namespace quillon
