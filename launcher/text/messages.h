// Turns a message ID into the text to show: the language file on the stick
// first (by the ID's key), then the program's string table, then the generic
// error text followed by the ID. Also the caption, window centring and the
// common set-up of the launcher's dialogs.
//
// The returned pointers are to static buffers owned here; a text stays valid
// until the next call of the same function. Single-threaded.
#ifndef QUILLON_LAUNCHER_TEXT_MESSAGES_H_
#define QUILLON_LAUNCHER_TEXT_MESSAGES_H_

#include <windows.h>

#include <cstddef>

namespace quillon {

// The texts' buffers, each with its terminator: a language file's value, a
// message text (also the generic text with its number), the caption.
constexpr size_t kLanguageTextCapacity = 2048;
constexpr size_t kMessageTextCapacity = 1024;
constexpr size_t kCaptionCapacity = 32;

// The language key of |id|, as stored (some keys are padded with blanks), or
// null when the ID has none.
const wchar_t* LanguageKeyOf(UINT id);

// The |index|-th entry of the table of language keys (in ID order): its key,
// as stored, and its ID in |id|. Null past the end (|id| then untouched).
const wchar_t* LanguageKeyAt(size_t index, UINT* id);

// The value of |id|'s key in section Quillon of CurrentLanguageFile, with each
// backslash-n turned into CR LF, in a 2048-character static buffer. Empty when
// the ID has no key or the file has no (or an empty) value.
const wchar_t* LookupLanguageText(UINT id);

// The text of |id| into static buffer A (1024 characters).
const wchar_t* GetMessageText(UINT id);
// The same rule into static buffer B, so that two texts can be held at once.
const wchar_t* GetMessageTextAlt(UINT id);
// The same rule into |buffer| of |capacity| characters (at least 1). A longer
// text is cut to fit. Returns |buffer|.
wchar_t* GetMessageTextInto(UINT id, wchar_t* buffer, size_t capacity);

// The caption of every message box and dialog: message 515 in a 32-character
// static buffer.
const wchar_t* GetCaptionText();

// Shows |id|'s text in an error message box with the caption, no owner and
// the single OK button.
void ShowErrorMessage(UINT id);

// Centres |window| on its parent (or the desktop) and keeps it on the desktop.
void CenterWindow(HWND window);

// The placement rule of CenterWindow, on rectangles: |window| centred on
// |parent|, then clamped to |desktop| (right, bottom, left, top in that order).
// Returns the new top-left corner.
POINT CenteredPosition(const RECT& window, const RECT& parent, const RECT& desktop);

// A control of a dialog and the message whose text it shows.
struct DialogText {
  int control_id;
  UINT message_id;
};

// Registers the common-control window classes |classes| (ICC_... flags) of
// the system's comctl32, loaded from the system folder on first use, before a
// dialog that holds such controls is created. A failure shows as a dialog
// that can't be created.
void EnsureCommonControls(DWORD classes);

// The themed dialog background (ETDT_ENABLETAB) on Windows 5.1 or later; the
// theme library is loaded on first use only, so older systems never load it.
void ApplyDialogTheme(HWND dialog);

// The set-up that every dialog runs on WM_INITDIALOG: themed background on
// Windows 5.1 or later, the caption as title, the controls' localized texts,
// centred. |count| entries of |texts| are applied.
void InitLocalizedDialog(HWND dialog, const DialogText* texts, size_t count);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_TEXT_MESSAGES_H_
