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
  // The scoped objects live for the rest of the process.
  int native32 = ReadFlag(L"QUILLON_TEST_NATIVE32");
  if (native32 >= 0)
    new ScopedNative32BitForTesting(native32 == 1);
  int admin = ReadFlag(L"QUILLON_TEST_USER_ADMIN");
  if (admin >= 0)
    new ScopedUserIsAdminForTesting(admin == 1);
  int administrators = ReadFlag(L"QUILLON_TEST_ADMINISTRATORS");
  if (administrators >= 0)
    new ScopedAdministratorsMemberForTesting(administrators == 1);
  int shift = ReadFlag(L"QUILLON_TEST_SHIFT");
  if (shift >= 0)
    new ScopedShiftForTesting(shift == 1);
  int volume_control = ReadFlag(L"QUILLON_TEST_VOLUME_CONTROL");
  if (volume_control >= 0)
    new ScopedVolumeControlForTesting(volume_control == 1);
}

}  // namespace quillon
