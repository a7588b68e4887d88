// The choice of the language file for the current user: a choice stored in
// Detacher.ini, else a number from the registry (when the stick's volume
// accepts a private control code) or the stick's default, else the Windows UI
// language mapped through the stick's LocaleID table. The last resort is the
// index file Language.cfg itself, which is also a complete language file.
#ifndef QUILLON_LOCALIZATION_LANGUAGE_FILES_H_
#define QUILLON_LOCALIZATION_LANGUAGE_FILES_H_

#include <windows.h>

#include "support/handles.h"
#include "support/path_buffer.h"

namespace quillon {

// The index file's sections: [Language] Portico holds the stick's default
// number (and, in Detacher.ini, the user's choice), [LocaleID] maps a UI
// LANGID to the one whose file automatic mode takes. A stored choice is read
// into kLanguageChoiceCapacity characters, a LocaleID value into
// kLocaleIdCapacity.
constexpr wchar_t kLanguageSection[] = L"Language";
constexpr wchar_t kPorticoKey[] = L"Portico";
constexpr wchar_t kLocaleIdSection[] = L"LocaleID";
constexpr DWORD kLanguageChoiceCapacity = 64;
constexpr DWORD kLocaleIdCapacity = 16;
// A language number's File key, its "%d": at most 7 characters.
constexpr size_t kNumberKeyCapacity = 8;

// Owns the handle of a volume ("\\.\E:") for the one question that the
// resolution asks of it. Empty (INVALID_HANDLE_VALUE) until Open succeeds.
class VolumeHandle {
 public:
  VolumeHandle() = default;
  ~VolumeHandle() { Close(); }
  VolumeHandle(const VolumeHandle&) = delete;
  VolumeHandle& operator=(const VolumeHandle&) = delete;

  // Opens |path| with |access|, shared for reading and writing. True when a
  // handle is held.
  bool Open(const wchar_t* path, DWORD access);
  // Sends the private control code 0x00222007 (no buffers). True only when a
  // driver on the volume knows the code; an ordinary volume refuses it.
  bool Control();
  // Flushes and closes the handle when one is held.
  void Close();

 private:
  FileHandle handle_;
};

// The number that the user stored: 0 (automatic) when the data folder can't
// be had. With |index_file| null: 1 when Detacher.ini holds a value, -1 when it
// holds none. Otherwise -1 when nothing is stored; a one-character value as a
// decimal digit (a non-digit gives 0, and 4 gives 0); a longer value is the
// position (from 1) of the File entry of |index_file| with that file name in
// any case, or 0 when none has it ("Auto" among them).
int ReadUserLanguageChoice(const wchar_t* index_file);

// Stores |value| as the user's choice ([Language] Portico of Detacher.ini in
// the data folder). Nothing when the data folder can't be had.
void StoreUserLanguageChoice(const wchar_t* value);

// The value PORTICO_LANGUAGE of HKCU\Software\Vaultine (created when missing)
// as a 32-bit number; 0 when the key can't be opened or the value can't be
// read.
int ReadRegistryLanguageNumber();

// The language number for the index file |index_file| (whose first character
// is the stick's drive letter): the stored choice; when none is stored, the
// registry number if the stick's volume accepts the private control code,
// otherwise the stick's default ([Language] Portico). A positive number
// whose File key is empty gives 0 (automatic), and so does any number whose
// key text would not fit 7 characters; other negative numbers come back as
// they are.
int GetLanguageNumber(const wchar_t* index_file);

// The LANGID whose file automatic mode uses for |ui_language|: the LocaleID
// entry of |index_file| for it, or |ui_language| itself.
WORD MapUiLanguage(const wchar_t* index_file, WORD ui_language);

// Resolves the language file for the program in |module_folder| (the module
// folder, with its trailing backslash; its first character is the stick's
// drive letter) into |out|, which always receives a path, possibly of a file
// that doesn't exist. |rootMode| 1 takes the index file at the stick's root
// (both callers); 0 takes the one in the program's folder when it exists. A
// path that doesn't fit 260 characters counts as a missing file. Without a
// module folder |out| is left empty.
void ResolveLanguageFile(const wchar_t* module_folder, PathBuffer* out, int rootMode);

// Resolves the language file of the stick's root index for the program in
// |module_folder| (as ResolveLanguageFile with root mode 1) and makes it
// CurrentLanguageFile, whose every text lookup then reads it.
void ResolveCurrentLanguageFile(const wchar_t* module_folder);

// Test seam (support/scoped_override.h): the volume's answer to the private
// control code, which Wine's volumes can't give. -1 asks the volume; 0 or 1
// is Control()'s answer for any open volume.
extern int g_volume_control_for_testing;

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_LANGUAGE_FILES_H_
