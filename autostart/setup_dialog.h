// The auto-start set-up question (dialog 257): whether to set up the
// auto-start companion Swiftgate.exe, with two per-user options (never ask
// again; automatic update with version check, offered only when the stick's
// settings carry an AutoUpdateURL) and a link to the language choice. Yes
// starts the settings tool Confera.exe from the stick, or runs Swiftgate.exe
// with "/update" and waits for it.
#ifndef QUILLON_AUTOSTART_SETUP_DIALOG_H_
#define QUILLON_AUTOSTART_SETUP_DIALOG_H_

#include <windows.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"

namespace quillon {

// Dialog 257, its controls and the texts of the plain ones. The version-check
// box shows CHECK_VERSION, a blank and the stick's VT_Parameter; the language
// link shows LANGUAGE.
constexpr int kSetupDialog = 257;
constexpr int kYesButton = 1;
constexpr int kNoButton = 2;
constexpr int kDontAskAgain = 1001;
constexpr int kQuestionText = 1002;
constexpr int kVersionCheck = 1003;
constexpr int kLanguageLink = 1004;
constexpr DialogText kSetupTexts[] = {{kQuestionText, kMsgSetupSwiftgate},
                                      {kDontAskAgain, kMsgNoMessage},
                                      {kYesButton, kMsgButtonYes},
                                      {kNoButton, kMsgButtonNo}};
// The two labels that are formatted, each into its own buffer: the
// version-check box's (CHECK_VERSION, VT_Parameter) and the link's (LANGUAGE).
constexpr wchar_t kCheckLabelFormat[] = L"%s %s";
constexpr size_t kCheckLabelCapacity = 512;
constexpr wchar_t kLinkLabelFormat[] = L"<a>%s</a>";
constexpr size_t kLinkLabelCapacity = 256;

// The dialog's results.
constexpr int kSetupUpdated = 1;          // Swiftgate.exe ran and answered non-zero
constexpr int kSetupDeclined = 2;         // No, Escape or the close box
constexpr int kSetupSettingsStarted = 3;  // Yes, and Confera.exe was started

// Shows the dialog, modal, without owner. Returns one of the results above,
// or -1 when the dialog can't be created.
int ShowSetupDialog();

// Runs the stick's Swiftgate.exe with "/update" and waits for it without a
// time limit. Its exit code; 0 when none is on the stick, it can't be
// started, the wait fails, or its code can't be read.
DWORD RunSwiftgateUpdate();

// Waits for |process| without a time limit and returns its exit code; 0 when
// the wait fails or the code can't be read.
DWORD ExitCodeOnceEnded(HANDLE process);

// Brings |window| in front of the current foreground window, also when that
// belongs to another thread.
void ForceForeground(HWND window);

// Sets every text of the dialog from the current language and the stick's
// settings; the check boxes keep their state.
void ApplySetupTexts(HWND dialog);

// Writes AutoUpdate and SETUP_SWIFTGATE_MSG (REG_DWORD, HKCU\Software\Vaultine)
// from the check boxes. A key that can't be opened means nothing is written.
void SaveSetupChoices(HWND dialog);

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_SETUP_DIALOG_H_
