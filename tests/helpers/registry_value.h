// Registry values for tests: read one as it is, and put one back as it was.
#ifndef QUILLON_TESTS_HELPERS_REGISTRY_VALUE_H_
#define QUILLON_TESTS_HELPERS_REGISTRY_VALUE_H_

#include <windows.h>

#include <string>
#include <vector>

namespace quillon::helpers {

// A value as stored: whether it exists, its type and its bytes.
struct RegistryValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;

  // The data as a wide text without its terminator.
  std::wstring Text() const;
};

// Reads |name| of |subkey| under |root|; not present when the key or the
// value is missing.
RegistryValue ReadRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name);

// Writes |value| (creating the key), or deletes the value when it is not
// present. False on failure.
bool WriteRegistryValue(HKEY root,
                        const wchar_t* subkey,
                        const wchar_t* name,
                        const RegistryValue& value);

// A REG_SZ value of |text| with its terminator, as the launcher writes texts.
RegistryValue TextValue(const std::wstring& text);

// Saves a value when made and puts it back (or deletes it) when destroyed.
class ScopedRegistryValueRestore {
 public:
  ScopedRegistryValueRestore(HKEY root, const wchar_t* subkey, const wchar_t* name);
  ~ScopedRegistryValueRestore();
  ScopedRegistryValueRestore(const ScopedRegistryValueRestore&) = delete;
  ScopedRegistryValueRestore& operator=(const ScopedRegistryValueRestore&) = delete;

 private:
  HKEY root_;
  std::wstring subkey_;
  std::wstring name_;
  RegistryValue saved_;
};

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_REGISTRY_VALUE_H_
