// The gate's per-user values under HKCU\Software\Vaultine (support/user_key.h
// reads and writes them), and the Shift key with which the user asks for the
// set-up question and the service check.
#ifndef QUILLON_AUTOSTART_USER_VALUES_H_
#define QUILLON_AUTOSTART_USER_VALUES_H_

#include <windows.h>

#include "support/user_key.h"

namespace quillon {

// REG_DWORD 1: update automatically with version check.
extern const wchar_t kAutoUpdateValue[];  // L"AutoUpdate"
// REG_DWORD 0: the set-up question is not asked on its own.
extern const wchar_t kSetupPromptValue[];  // L"SETUP_SWIFTGATE_MSG"

// True when Shift is held now or was pressed since the last query.
bool ShiftIsDown();

// Test seam (support/scoped_override.h): Wine sees Shift only from key events
// sent to a focused window. -1 asks the keyboard; 0 or 1 is ShiftIsDown's
// answer.
extern int g_shift_for_testing;

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_USER_VALUES_H_
