#include "autostart/user_values.h"

namespace quillon {

int g_shift_for_testing = -1;

const wchar_t kAutoUpdateValue[] = L"AutoUpdate";
const wchar_t kSetupPromptValue[] = L"SETUP_SWIFTGATE_MSG";

bool ShiftIsDown() {
  if (g_shift_for_testing >= 0)
    return g_shift_for_testing == 1;
  return ::GetAsyncKeyState(VK_SHIFT) != 0;
}

}  // namespace quillon
