#include "autostart/user_values.h"

namespace quillon {
namespace {
// -1: the keyboard answers; 0 or 1: the test's answer.
int g_shift_override = -1;
}  // namespace

const wchar_t kAutoUpdateValue[] = L"AutoUpdate";
const wchar_t kSetupPromptValue[] = L"SETUP_SWIFTGATE_MSG";

bool ShiftIsDown() {
  if (g_shift_override >= 0)
    return g_shift_override == 1;
  return ::GetAsyncKeyState(VK_SHIFT) != 0;
}

ScopedShiftForTesting::ScopedShiftForTesting(bool down) : previous_(g_shift_override) {
  g_shift_override = down ? 1 : 0;
}

ScopedShiftForTesting::~ScopedShiftForTesting() {
  g_shift_override = previous_;
}

}  // namespace quillon
