// The wait window: while another component of the product occupies the
// stick, a small modeless, topmost window names that program (as the
// app-notify file VaultineAppNotify.ini gives it), counts the seconds of
// waiting in a progress bar, and offers to force the program to quit or to
// give up the start. The wait loop of the start drives it; it exists at most
// once per process, and only the launcher's thread touches it.
#ifndef QUILLON_LAUNCHER_WAIT_WINDOW_H_
#define QUILLON_LAUNCHER_WAIT_WINDOW_H_

#include <windows.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"

namespace quillon {

// Dialog 150, its buttons and its controls' texts.
constexpr int kWaitDialog = 150;
constexpr int kForceQuitButton = 1;
constexpr int kCancelButton = 2;
constexpr DialogText kWaitTexts[] = {
    {2003, kMsgWaitCannot},
    {2002, kMsgWaitKillProcess},
    {kForceQuitButton, kMsgButtonOk},
    {kCancelButton, kMsgButtonCancel},
};

// The app-notify file in the data folder: [Set] App names the program.
constexpr wchar_t kAppNotifyFileName[] = L"VaultineAppNotify.ini";
constexpr wchar_t kAppNotifySection[] = L"Set";
constexpr wchar_t kAppNotifyKey[] = L"App";

// The window's progress message: WPARAM a text (ignored), LPARAM the bar's
// new position.
constexpr UINT WM_WAIT_PROGRESS = WM_APP + 1;

// Creates dialog 150 modeless with |owner|, sets the bar's range to 0 ...
// |range| and shows it. Does nothing when the window exists already. False
// when the window couldn't be created.
bool ShowWaitWindow(HWND owner, int range);

// Moves the bar to |position| and shows the app name anew when the app-notify
// file names another program than before. Does nothing without a window.
void UpdateWaitWindow(int position);

// Destroys the window, whose end posts the quit message that ends the wait
// loop. Does nothing without a window.
void CloseWaitWindow();

// True once the user cancelled the wait (cancel button or close box). Never
// reset.
bool WaitCancelled();

// Starts the system's task-kill tool (by its full path in the system folder,
// never a copy on the stick or in the current folder) for the image name
// |image_name|, hidden, without waiting. An empty name, or one holding a
// quote, * or ?, starts nothing. Failures are not reported.
void ForceQuitApp(const wchar_t* image_name);

// The tool's command line for |image_name| with the system folder
// |system_folder| into |command_line| of |capacity| characters:
//   "<system folder>\taskkill.exe" /F /IM "<image name>"
// False when the name is empty or holds a quote, * or ?, or the line doesn't
// fit.
bool TaskKillCommandLine(const wchar_t* system_folder,
                         const wchar_t* image_name,
                         wchar_t* command_line,
                         size_t capacity);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_WAIT_WINDOW_H_
