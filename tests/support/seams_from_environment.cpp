// Test-build launcher only: end-to-end tests vary what Wine can't through
// environment variables of the launcher process.
//   QUILLON_TEST_NATIVE32=1|0     the native system is 32-bit x86 (or not)
//   QUILLON_TEST_USER_ADMIN=1|0   the shell's administrator answer
#include <windows.h>

#include "environment/platform/platform.h"

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
}

}  // namespace quillon
