// Two of the product's own tools must not run while the launcher starts the
// product: the management tool Stewardry and the settings tool Confera (whose
// mutex is Keepsafe_Mutex). Each announces itself with a named mutex. The
// message is not shown when the product program QuillonRun.exe started the
// launcher; the start still ends.
#ifndef QUILLON_ENVIRONMENT_CONFLICTING_TOOLS_H_
#define QUILLON_ENVIRONMENT_CONFLICTING_TOOLS_H_

#include <windows.h>

namespace quillon {

// True when the product's mutex |name| exists and opens with all access
// (the handle is closed at once). A mutex that can't be opened counts as
// absent.
bool MutexExists(const wchar_t* name);

// 1 when the management tool's mutex exists: the start must end (message 642
// has been shown, unless the launcher's parent is QuillonRun.exe or wasn't
// found). 0 otherwise; then no process snapshot is taken.
int CheckStewardryRunning();

// 1 when the backup tool's mutex exists and the launcher's parent is not
// Confera.exe: the start must end (message 656 has been shown, unless the
// parent is QuillonRun.exe; also when the parent wasn't found). 0 otherwise.
int CheckKeepsafeRunning();

// The ID of the process that started this one, into |parent_id|. False
// (|parent_id| untouched) when the process snapshot can't be taken or holds no
// entry for this process.
bool GetParentProcessId(DWORD* parent_id);

// The image name (file name without folder) of the parent process into
// |name| of 260 characters. False, with |name| untouched, when the parent
// can't be found (also when it has ended).
bool GetParentProcessName(wchar_t (&name)[MAX_PATH]);

}  // namespace quillon

#endif  // QUILLON_ENVIRONMENT_CONFLICTING_TOOLS_H_
