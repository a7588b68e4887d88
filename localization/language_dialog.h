// The language choice: a small modal dialog in which the user picks one of the
// stick's languages, or "Auto" for the language of Windows. The choice is
// stored per user in Detacher.ini and takes effect through the language
// file's resolution. It never changes the thread locale.
#ifndef QUILLON_LOCALIZATION_LANGUAGE_DIALOG_H_
#define QUILLON_LOCALIZATION_LANGUAGE_DIALOG_H_

#include <windows.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"

namespace quillon {

// Dialog 259: its caption is LANGUAGE, its buttons show these texts.
constexpr int kLanguageDialog = 259;
constexpr DialogText kLanguageDialogTexts[] = {{IDOK, kMsgButtonOk}, {IDCANCEL, kMsgButtonCancel}};

// Shows dialog 259 over |parent| with the languages of the stick whose drive
// letter is the first character of |module_folder|. True when it was closed
// with OK (the choice is then stored, unless the data folder can't be had or
// no item is selected); false for Cancel, Escape, the close box, or a dialog
// that can't be created.
bool ShowLanguageDialog(HWND parent, const wchar_t* module_folder);

// The dialog's procedure.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_LANGUAGE_DIALOG_H_
