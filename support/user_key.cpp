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
  DWORD type = 0;
  DWORD read = 1;
  DWORD size = sizeof(read);
  // A REG_DWORD of fewer than four bytes leaves part of |read| unwritten: it
  // counts as not set, like a value of another type.
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(read)) {
    return false;
  }
  *value = read;
  return true;
}

}  // namespace quillon
