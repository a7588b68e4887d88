// The launcher's start, from the first step to the last.
#ifndef QUILLON_LAUNCHER_LAUNCH_H_
#define QUILLON_LAUNCHER_LAUNCH_H_

#include <windows.h>

namespace quillon {

// Runs one start. Always returns 0 (the exit code carries no information);
// what went wrong has been told to the user in a message box.
int RunLauncher();

// Shows the wait window and waits in it until the busy mutex is gone or the
// user gives up; the bar counts the seconds up to 90 of 100 and the wait goes
// on. The only message loop of the program: no dialog keyboard handling, and
// no typed key reaches the window (the mouse works its buttons; Alt+F4, a
// system key, closes it as the cancel button); no time-out. True when the
// start may go on. Without the window nobody could cancel the wait and nobody
// would see it: message 518, and false.
bool WaitWhileStickIsBusy();

// The Windows-version gate on the version that the system reports: true when
// it lets the start go on by itself (6.2 and 6.1 of either bitness, 32-bit
// 6.0 and 32-bit 5.1); false when only the stick's Version_check setting can
// lift it. |native32|: the native system is 32-bit x86.
bool IsSupportedWindows(DWORD major, DWORD minor, bool native32);

// True when Version_check in section Quillon of the settings file
// |settings_path| reads "Disable" in any case; a missing file, section, key or
// any other value gives false.
bool IsVersionCheckDisabled(const wchar_t* settings_path);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_LAUNCH_H_
