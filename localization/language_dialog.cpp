#include "localization/language_dialog.h"

#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "localization/language_files.h"
#include "localization/language_list.h"
#include "support/path_buffer.h"

namespace quillon {
namespace {

constexpr int kLanguageBox = 1005;

// What the open dialog serves: the stick's index file and its languages.
// Set by ShowLanguageDialog before the dialog opens; the list is released
// after it closes.
PathBuffer g_index_path;
LanguageList g_languages;

void InitLanguageDialog(HWND dialog) {
  InitLocalizedDialog(dialog, kLanguageDialogTexts,
                      sizeof(kLanguageDialogTexts) / sizeof(kLanguageDialogTexts[0]));
  // This dialog's caption is the word for language, not the product's name.
  ::SetWindowTextW(dialog, GetMessageText(kMsgLanguage));
  // Item i is language number i: "Auto" first, then the list in its order.
  ::SendDlgItemMessageW(dialog, kLanguageBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Auto"));
  for (const LanguageEntry& entry : g_languages) {
    ::SendDlgItemMessageW(dialog, kLanguageBox, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(entry.displayName));
  }
  // A number that names no item (beyond a gap, or negative) selects none.
  ::SendDlgItemMessageW(dialog, kLanguageBox, CB_SETCURSEL,
                        static_cast<WPARAM>(GetLanguageNumber(g_index_path.Get())), 0);
}

// Stores the selected item in Detacher.ini: "Auto" or the entry's file name
// exactly as the File section gives it. Nothing when no item is selected or
// the data folder can't be had.
void StoreChoice(HWND dialog) {
  const LRESULT selected = ::SendDlgItemMessageW(dialog, kLanguageBox, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR || selected < 0 || static_cast<size_t>(selected) > g_languages.size())
    return;
  StoreUserLanguageChoice(selected == 0 ? L"Auto"
                                        : g_languages[static_cast<size_t>(selected) - 1].fileName);
}

}  // namespace

INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    InitLanguageDialog(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    if (LOWORD(wparam) == IDOK) {
      StoreChoice(dialog);
      ::EndDialog(dialog, IDOK);
    } else if (LOWORD(wparam) == IDCANCEL) {
      ::EndDialog(dialog, IDCANCEL);
    }
  }
  return FALSE;
}

bool ShowLanguageDialog(HWND parent, const wchar_t* module_folder) {
  StickLanguageIndexPath(module_folder[0], &g_index_path);
  g_languages = BuildLanguageList(g_index_path.Get());
  const INT_PTR result =
      ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kLanguageDialog), parent,
                        LanguageDialogProc, 0);
  g_languages = LanguageList();
  return result == IDOK;
}

}  // namespace quillon
