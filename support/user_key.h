// The product's per-user registry key, HKCU\Software\Vaultine: created when
// missing and opened with all access wherever a value of it is read or
// written. Each value is owned by the part that names it.
#ifndef QUILLON_SUPPORT_USER_KEY_H_
#define QUILLON_SUPPORT_USER_KEY_H_

#include <windows.h>

#include "support/handles.h"

namespace quillon {

// Creates or opens the key into |key|. False when it can't.
bool OpenUserKey(RegKey* key);

// Writes |value| as the REG_DWORD |name| of |key|; a failure is ignored.
void WriteUserDword(const RegKey& key, const wchar_t* name, DWORD value);

// Opens the key and writes |value|; nothing when the key can't be opened.
void WriteUserDword(const wchar_t* name, DWORD value);

// True when |name| exists as a REG_DWORD, with its value in |value| as read
// into four bytes preset to 1 (so no bytes read as 1, and fewer than four
// replace only the low bytes); false (|value| untouched) for a missing value,
// another type, one longer than four bytes, or a key that can't be opened.
bool ReadUserDword(const wchar_t* name, DWORD* value);

}  // namespace quillon

#endif  // QUILLON_SUPPORT_USER_KEY_H_
