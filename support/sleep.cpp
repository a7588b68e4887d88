#include "support/sleep.h"

namespace quillon {

RetrySleepHook g_retry_sleep_for_testing = nullptr;
RetryTickCountHook g_retry_tick_count_for_testing = nullptr;

void RetrySleep(DWORD milliseconds) {
  if (g_retry_sleep_for_testing) {
    g_retry_sleep_for_testing(milliseconds);
    return;
  }
  ::Sleep(milliseconds);
}

DWORD RetryTickCount() {
  return g_retry_tick_count_for_testing ? g_retry_tick_count_for_testing() : ::GetTickCount();
}

}  // namespace quillon
