// The shortcut through which the viewer is started, and the launch request.
#ifndef QUILLON_DEPLOY_SHORTCUT_H_
#define QUILLON_DEPLOY_SHORTCUT_H_

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

namespace quillon {

// Saves a shell shortcut at |shortcut_path| to |target_path| with |arguments|
// (null: none) and, when |run_as_admin|, the run-as-administrator flag. One
// attempt: COM is initialised and released within it. True when saved.
bool CreateLaunchShortcut(const wchar_t* shortcut_path,
                          const wchar_t* target_path,
                          const wchar_t* arguments,
                          bool run_as_admin);

// Up to three attempts, each deleting the old file first and followed by a
// 100 ms sleep (also after success). True when an attempt saved the shortcut.
bool CreateShortcutWithRetry(const wchar_t* shortcut_path,
                             const wchar_t* target_path,
                             const wchar_t* arguments,
                             bool run_as_admin);

// Fills |request| to open |shortcut_path| with its default verb, with
// |folder| as the working folder and SW_SHOWNORMAL; every other field zero.
void FillLaunchRequest(SHELLEXECUTEINFOW* request,
                       const wchar_t* shortcut_path,
                       const wchar_t* folder);

// Asks the shell to open the shortcut with |folder| as the working folder,
// which becomes the process's current folder too, and with COM initialised on
// the thread (single-threaded apartment) for the call. The outcome isn't
// looked at: the launcher doesn't wait for the viewer.
void LaunchShortcut(const wchar_t* shortcut_path, const wchar_t* folder);

// Test seam: |hook| is called in each CreateLaunchShortcut attempt just before
// the link object is saved, with the object and the data flags that the
// attempt gave it (0 when it touched none). Not every shell keeps the run-as
// flag in the object or the file (Wine accepts it and drops it), so tests
// can't read it back there.
using ShortcutBeforeSaveHook = void (*)(IShellLinkW* link, DWORD data_flags);
// Null (the default, support/scoped_override.h) calls nothing.
extern ShortcutBeforeSaveHook g_shortcut_before_save_for_testing;

// Test seam: |hook| is called by LaunchShortcut just before it hands the
// request to the shell, on the launching thread. Wine's shell opens a
// shortcut as well without COM as with it, so only the thread's state at
// that moment shows the bracket. Null (the default) calls nothing.
using LaunchBeforeShellHook = void (*)(const SHELLEXECUTEINFOW& request);
extern LaunchBeforeShellHook g_launch_before_shell_for_testing;

}  // namespace quillon

#endif  // QUILLON_DEPLOY_SHORTCUT_H_
