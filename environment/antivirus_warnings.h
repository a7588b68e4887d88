// Two antivirus products are known to interfere with the product: Avast and
// 360. When one is installed, the user is warned before anything is written,
// and chooses to go on (ignore) or to give up the start (abort); a check box
// stops the warning for good, per user.
#ifndef QUILLON_ENVIRONMENT_ANTIVIRUS_WARNINGS_H_
#define QUILLON_ENVIRONMENT_ANTIVIRUS_WARNINGS_H_

#include <windows.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "support/path_buffer.h"

namespace quillon {

// The results of a warning: the ID of the button that ended its dialog, or
// kWarningNotShown when no dialog was needed, or -1 when the dialog couldn't
// be created (the start goes on).
constexpr int kWarningNotShown = 0;
constexpr int kWarningIgnore = 1;
constexpr int kWarningAbort = 2;

// Dialog 258 of both warnings: kWarningText shows the warning's own message
// (AVASTCHECK_MSG or 360CHECK_MSG), the other controls these texts.
constexpr int kWarningDialog = 258;
constexpr int kWarningText = 1002;
constexpr int kDontShowAgain = 1001;
constexpr DialogText kWarningTexts[] = {
    {kDontShowAgain, kMsgAvastSkip},
    {kWarningIgnore, kMsgAvastIgnore},
    {kWarningAbort, kMsgAvastAbort},
};

// Warns when Avast's service program exists on the system drive
// ("<Windows folder's drive>:\Program Files\AVAST Software\AVAST\AvastSvc.exe")
// and the user's flag AVASTCHECK_MSG doesn't suppress it.
int CheckAvastWarning();

// Warns when the 360 service key ZhuDongFangYu (under HKLM's
// SYSTEM\CurrentControlSet\Services) can be opened for reading and the
// user's flag 360CHECK_MSG doesn't suppress it.
int Check360Warning();

// The two warnings' dialog alone, without their conditions: the result of
// the dialog as above.
int ShowAvastWarning();
int Show360Warning();

// Avast's service program on the drive of |windows_folder| into |path|:
// "<drive>:\Program Files\AVAST Software\AVAST\AvastSvc.exe", the fixed path
// with its first character replaced (not the system's program-files folder).
// False, with |path| empty, for an empty folder.
bool AvastServicePath(const wchar_t* windows_folder, PathBuffer* path);

// True when the REG_DWORD value |flag| of HKCU\Software\Vaultine is 0: the
// warning is not to be shown. A missing value, another type or another number
// shows it; so does a key that can't be created or opened.
bool WarningSuppressed(const wchar_t* flag);

}  // namespace quillon

#endif  // QUILLON_ENVIRONMENT_ANTIVIRUS_WARNINGS_H_
