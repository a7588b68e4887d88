#include "support/user_key.h"

namespace quillon {

bool OpenUserKey(RegKey* key) {
  return CreateRegKey(HKEY_CURRENT_USER, L"Software\\Vaultine", KEY_ALL_ACCESS, key) ==
         ERROR_SUCCESS;
}

void WriteUserDword(const RegKey& key, const wchar_t* name, DWORD value) {
  ::RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
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
  // Preset to 1: a REG_DWORD of no bytes reads as 1, and one of fewer than
  // four bytes replaces only the low bytes of that 1.
  DWORD type = 0;
  DWORD read = 1;
  DWORD size = sizeof(read);
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return false;
  }
  *value = read;
  return true;
}

}  // namespace quillon
