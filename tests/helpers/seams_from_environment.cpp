// Test-build launcher only: end-to-end tests vary what Wine can't through
// environment variables of the launcher process.
//   QUILLON_TEST_NATIVE32=1|0     the native system is 32-bit x86 (or not)
//   QUILLON_TEST_USER_ADMIN=1|0   the shell's administrator answer
//   QUILLON_TEST_ADMINISTRATORS=1|0  the token holds the Administrators group
//   QUILLON_TEST_SHIFT=1|0        Shift is held at every test of it
//   QUILLON_TEST_VOLUME_CONTROL=1|0  the stick's volume accepts the private
//                                 control code of the language choice (or not)
#include <windows.h>

#include "autostart/user_values.h"
#include "environment/platform/platform.h"
#include "localization/language_files.h"

namespace quillon {
namespace {

// Returns 1 or 0 for a variable set to "1" or "0", -1 when it is absent or other.
int ReadFlag(const wchar_t* name) {
  wchar_t value[8] = {};
  DWORD len = ::GetEnvironmentVariableW(name, value, 8);
  if (len != 1)
    return -1;
  if (value[0] == L'1')
    return 1;
  if (value[0] == L'0')
    return 0;
  return -1;
}

}  // namespace

void InstallSeamsFromEnvironment() {
  // Set for the rest of the process; an absent variable leaves the real call.
  g_native32_for_testing = ReadFlag(L"QUILLON_TEST_NATIVE32");
  g_user_admin_for_testing = ReadFlag(L"QUILLON_TEST_USER_ADMIN");
  g_administrators_for_testing = ReadFlag(L"QUILLON_TEST_ADMINISTRATORS");
  g_shift_for_testing = ReadFlag(L"QUILLON_TEST_SHIFT");
  g_volume_control_for_testing = ReadFlag(L"QUILLON_TEST_VOLUME_CONTROL");
}

}  // namespace quillon
