#include "tests/helpers/registry_value.h"

#include "support/handles.h"

namespace quillon::helpers {

std::wstring RegistryValue::Text() const {
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0')
    text.pop_back();
  return text;
}

RegistryValue ReadRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name) {
  RegistryValue value;
  RegKey key;
  if (OpenRegKey(root, subkey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return value;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  value.data.resize(size);
  value.present = ::RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(),
                                     &size) == ERROR_SUCCESS;
  value.data.resize(size);
  return value;
}

bool WriteRegistryValue(HKEY root,
                        const wchar_t* subkey,
                        const wchar_t* name,
                        const RegistryValue& value) {
  RegKey key;
  if (CreateRegKey(root, subkey, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  if (!value.present) {
    LONG result = ::RegDeleteValueW(key.get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }
  return ::RegSetValueExW(key.get(), name, 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

RegistryValue TextValue(const std::wstring& text) {
  RegistryValue value;
  value.present = true;
  value.type = REG_SZ;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
  return value;
}

ScopedRegistryValueRestore::ScopedRegistryValueRestore(HKEY root,
                                                       const wchar_t* subkey,
                                                       const wchar_t* name)
    : root_(root), subkey_(subkey), name_(name), saved_(ReadRegistryValue(root, subkey, name)) {}

ScopedRegistryValueRestore::~ScopedRegistryValueRestore() {
  WriteRegistryValue(root_, subkey_.c_str(), name_.c_str(), saved_);
}

}  // namespace quillon::helpers
