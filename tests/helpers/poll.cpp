#include "tests/helpers/poll.h"

namespace quillon::helpers {

::testing::AssertionResult PollUntil(const std::string& what,
                                     DWORD timeout_ms,
                                     const std::function<bool()>& condition) {
  constexpr DWORD kStepMs = 10;
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD waited = ::GetTickCount() - start;
    if (condition())
      return ::testing::AssertionSuccess() << what << " after " << waited << " ms";
    if (waited >= timeout_ms)
      return ::testing::AssertionFailure() << "waited " << waited << " ms for " << what;
    ::Sleep(kStepMs);
  }
}

}  // namespace quillon::helpers
