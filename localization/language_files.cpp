#include "localization/language_files.h"

#include <strsafe.h>

#include <io.h>

#include "deploy/folders/folders.h"
#include "launcher/paths/stick_paths.h"
#include "localization/files/current_language_file.h"
#include "localization/language_list.h"
#include "support/user_key.h"

namespace quillon {

int g_volume_control_for_testing = -1;

namespace {

constexpr DWORD kFileKeyValueCapacity = 64;
// "%04x.cfg" and the LocaleID keys.
constexpr size_t kShortNameCapacity = 16;
// The stick's own volume driver answers this private code (device type
// FILE_DEVICE_UNKNOWN, function 0x801, METHOD_NEITHER, FILE_ANY_ACCESS).
constexpr DWORD kVolumeControlCode = 0x00222007;

// The user's choice file, Detacher.ini in the data folder |folder|.
bool ChoiceFilePath(const PathBuffer& folder, PathBuffer* path) {
  return path->Join(folder.Get(), L"Detacher.ini");
}

// An access test for existence only.
bool Exists(const PathBuffer& path) {
  return !path.IsEmpty() && ::_waccess(path.Get(), 0) == 0;
}

// The File key of language number |n| into |key|. False when its decimal text
// doesn't fit 7 characters: such a number names no entry.
bool NumberKey(int n, wchar_t (&key)[kNumberKeyCapacity]) {
  return SUCCEEDED(::StringCchPrintfW(key, kNumberKeyCapacity, L"%d", n));
}

// The value of the File key of |n| in |index_file| into |value| of |capacity|
// characters; empty when the number has no key or the key is missing.
void ReadFileKey(const wchar_t* index_file, int n, wchar_t* value, DWORD capacity) {
  value[0] = L'\0';
  wchar_t key[kNumberKeyCapacity];
  if (NumberKey(n, key))
    ::GetPrivateProfileStringW(kFileSection, key, L"", value, capacity, index_file);
}

// The number of a stored value |value| (not empty): see ReadUserLanguageChoice.
int NumberOfStoredValue(const wchar_t* value, const wchar_t* index_file) {
  if (value[1] == L'\0') {
    const int digit = (value[0] >= L'0' && value[0] <= L'9') ? value[0] - L'0' : 0;
    // The one-character value 4 means automatic, not language 4.
    return digit == 4 ? 0 : digit;
  }
  return static_cast<int>(FindLanguageFile(index_file, value));
}

// Detacher.ini's value into |value| (empty when nothing is stored). False
// when the data folder can't be had.
bool ReadStoredChoice(wchar_t (&value)[kLanguageChoiceCapacity]) {
  value[0] = L'\0';
  PathBuffer folder;
  if (!GetProductFolder(&folder))
    return false;
  PathBuffer choice_file;
  // A path that doesn't fit names no file: nothing is stored there.
  if (ChoiceFilePath(folder, &choice_file)) {
    ::GetPrivateProfileStringW(kLanguageSection, kPorticoKey, L"", value, kLanguageChoiceCapacity,
                               choice_file.Get());
  }
  return true;
}

// ReadUserLanguageChoice's answer for what ReadStoredChoice found.
int ChoiceNumber(bool folder_found, const wchar_t* value, const wchar_t* index_file) {
  if (!folder_found)
    return 0;
  if (!index_file)
    return value[0] != L'\0' ? 1 : -1;
  if (value[0] == L'\0')
    return -1;
  return NumberOfStoredValue(value, index_file);
}

// GetLanguageNumber once the stored choice's number |n| is known.
int LanguageNumberAfterChoice(const wchar_t* index_file, int n) {
  if (n < 0) {
    // Nothing stored: the stick's volume decides between the registry and
    // the stick's own default. The volume is closed whatever it answers.
    PathBuffer volume_name;
    VolumeHandle volume;
    const bool opened = volume_name.Format(L"\\\\.\\%c:", index_file[0]) &&
                        volume.Open(volume_name.Get(), GENERIC_READ);
    const bool accepted = opened && volume.Control();
    volume.Close();
    if (accepted) {
      n = ReadRegistryLanguageNumber();
    } else {
      n = static_cast<int>(::GetPrivateProfileIntW(kLanguageSection, kPorticoKey, 0, index_file));
    }
  }
  // A number whose key text doesn't fit names no entry: automatic, whatever
  // its sign.
  wchar_t key[kNumberKeyCapacity];
  if (!NumberKey(n, key))
    return 0;
  if (n <= 0)
    return n;
  wchar_t name[kFileKeyValueCapacity];
  ReadFileKey(index_file, n, name, kFileKeyValueCapacity);
  return name[0] == L'\0' ? 0 : n;
}

}  // namespace

bool VolumeHandle::Open(const wchar_t* path, DWORD access) {
  handle_.Reset(::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle_.IsValid();
}

bool VolumeHandle::Control() {
  if (!handle_.IsValid())
    return false;
  if (g_volume_control_for_testing >= 0)
    return g_volume_control_for_testing == 1;
  DWORD returned = 0;
  return ::DeviceIoControl(handle_.Get(), kVolumeControlCode, nullptr, 0, nullptr, 0, &returned,
                           nullptr) != FALSE;
}

void VolumeHandle::Close() {
  if (handle_.IsValid())
    ::FlushFileBuffers(handle_.Get());
  handle_.Close();
}

int ReadUserLanguageChoice(const wchar_t* index_file) {
  wchar_t value[kLanguageChoiceCapacity];
  const bool folder_found = ReadStoredChoice(value);
  return ChoiceNumber(folder_found, value, index_file);
}

void StoreUserLanguageChoice(const wchar_t* value) {
  PathBuffer folder;
  PathBuffer choice_file;
  if (GetProductFolder(&folder) && ChoiceFilePath(folder, &choice_file))
    ::WritePrivateProfileStringW(kLanguageSection, kPorticoKey, value, choice_file.Get());
}

int ReadRegistryLanguageNumber() {
  RegKey key;
  if (!OpenUserKey(&key))
    return 0;
  // Four bytes, whatever type the value has.
  int number = 0;
  DWORD size = sizeof(number);
  if (::RegQueryValueExW(key.get(), L"PORTICO_LANGUAGE", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS) {
    return 0;
  }
  return number;
}

int GetLanguageNumber(const wchar_t* index_file) {
  return LanguageNumberAfterChoice(index_file, ReadUserLanguageChoice(index_file));
}

WORD MapUiLanguage(const wchar_t* index_file, WORD ui_language) {
  wchar_t key[kShortNameCapacity];
  ::StringCchPrintfW(key, kShortNameCapacity, L"%04x", ui_language);
  wchar_t value[kLocaleIdCapacity] = {};
  ::GetPrivateProfileStringW(kLocaleIdSection, key, L"", value, kLocaleIdCapacity, index_file);
  return value[0] != L'\0' ? HexLanguageId(value) : ui_language;
}

void ResolveLanguageFile(const wchar_t* module_folder, PathBuffer* out, int rootMode) {
  out->Clear();
  if (!module_folder || module_folder[0] == L'\0')
    return;
  const wchar_t drive = module_folder[0];
  PathBuffer root_index;
  PathBuffer folder_index;
  StickLanguageIndexPath(drive, &root_index);
  // Whichever index file is used for the names, the number comes from the
  // one at the stick's root. Detacher.ini is read once for both questions.
  wchar_t stored[kLanguageChoiceCapacity];
  const bool folder_found = ReadStoredChoice(stored);
  const int n = LanguageNumberAfterChoice(root_index.Get(),
                                          ChoiceNumber(folder_found, stored, root_index.Get()));
  const WORD ui = ::GetUserDefaultUILanguage();

  const bool folder_mode = rootMode == 0 && FolderLanguageIndexPath(module_folder, &folder_index) &&
                           Exists(folder_index);
  const PathBuffer& index = folder_mode ? folder_index : root_index;
  // The path of a file named in the index, in the index file's folder.
  auto path_of = [&](const wchar_t* name, PathBuffer* path) {
    return folder_mode ? path->Format(L"%s.cfg\\%s", module_folder, name)
                       : StickConfigPath(drive, name, path);
  };

  if (n == 0) {
    wchar_t mapped[kShortNameCapacity];
    ::StringCchPrintfW(mapped, kShortNameCapacity, L"%04x.cfg", MapUiLanguage(index.Get(), ui));
    if (!path_of(mapped, out) || !Exists(*out))
      out->Assign(index.Get());
    return;
  }

  wchar_t ui_name[kShortNameCapacity];
  ::StringCchPrintfW(ui_name, kShortNameCapacity, L"%04x.cfg", ui);
  wchar_t name[PathBuffer::kCapacity];
  ReadFileKey(index.Get(), n, name, PathBuffer::kCapacity);
  if (name[0] == L'\0' || !path_of(name, out) || !Exists(*out))
    out->Assign(index.Get());
  // The UI language's own file is taken from any number; another language's
  // only when the user chose it.
  if (::lstrcmpiW(name, ui_name) == 0)
    return;
  if (ChoiceNumber(folder_found, stored, nullptr) >= 0)
    return;
  out->Assign(index.Get());
}

void ResolveCurrentLanguageFile(const wchar_t* module_folder) {
  PathBuffer language_file;
  ResolveLanguageFile(module_folder, &language_file, 1);
  SetCurrentLanguageFile(language_file.Get());
}

}  // namespace quillon
