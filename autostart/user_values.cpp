#include "autostart/user_values.h"

namespace quillon {
namespace {
// -1: the keyboard answers; 0 or 1: the test's answer.
int g_shift_override = -1;
}  // namespace

const wchar_t kAutoUpdateValue[] = L"AutoUpdate";
const wchar_t kSetupPromptValue[] = L"SETUP_SWIFTGATE_MSG";

bool OpenUserKey(RegKey* key) {
  return key->Create(HKEY_CURRENT_USER, L"Software\\Vaultine", KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

void WriteUserDword(const RegKey& key, const wchar_t* name, DWORD value) {
  ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

void WriteUserDword(const wchar_t* name, DWORD value) {
  RegKey key;
  if (OpenUserKey(&key))
    WriteUserDword(key, name, value);
}

bool ReadUserDword(const wchar_t* name, DWORD* value) {
  RegKey key;
  if (!OpenUserKey(&key))
    return false;
  DWORD type = 0;
  DWORD read = 0;
  DWORD size = sizeof(read);
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return false;
  }
  *value = read;
  return true;
}

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
