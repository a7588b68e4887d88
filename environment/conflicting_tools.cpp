#include "environment/conflicting_tools.h"

#include <strsafe.h>
#include <tlhelp32.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "support/ascii_text.h"
#include "support/handles.h"

namespace quillon {
namespace {

// The wide process entry as the 32-bit system lays it out.
#if !defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32W) == 556, "process entry of 556 bytes");
#endif

constexpr wchar_t kStewardryMutex[] = L"Stewardry_Mutex";
constexpr wchar_t kKeepsafeMutex[] = L"Keepsafe_Mutex";
// The product program that may start the launcher without its messages.
constexpr wchar_t kProductRunner[] = L"QuillonRun.exe";
// The settings tool, which holds Keepsafe_Mutex itself.
constexpr wchar_t kSettingsTool[] = L"Confera.exe";

// Walks a new snapshot of all processes for the entry of |process_id| and
// copies it into |found|. The entry's size is set before every step, as the
// walk requires.
bool FindProcessEntry(DWORD process_id, PROCESSENTRY32W* found) {
  SnapshotHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == process_id) {
      *found = entry;
      return true;
    }
    entry.dwSize = sizeof(entry);
  }
  return false;
}

}  // namespace

bool MutexExists(const wchar_t* name) {
  KernelHandle mutex(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name));
  return mutex.IsValid();
}

bool GetParentProcessId(DWORD* parent_id) {
  PROCESSENTRY32W entry = {};
  if (!FindProcessEntry(::GetCurrentProcessId(), &entry))
    return false;
  *parent_id = entry.th32ParentProcessID;
  return true;
}

bool GetParentProcessName(wchar_t (&name)[MAX_PATH]) {
  DWORD parent_id = 0;
  PROCESSENTRY32W entry = {};
  if (!GetParentProcessId(&parent_id) || !FindProcessEntry(parent_id, &entry))
    return false;
  ::StringCchCopyW(name, MAX_PATH, entry.szExeFile);
  return true;
}

int CheckStewardryRunning() {
  if (!MutexExists(kStewardryMutex))
    return 0;
  wchar_t parent[MAX_PATH] = {};
  // Without a parent the start ends silently.
  if (GetParentProcessName(parent) && !EqualsIgnoringAsciiCase(parent, kProductRunner))
    ShowErrorMessage(kMsgStewardryExist);
  return 1;
}

int CheckKeepsafeRunning() {
  wchar_t parent[MAX_PATH] = {};
  if (GetParentProcessName(parent) && EqualsIgnoringAsciiCase(parent, kSettingsTool))
    return 0;
  if (!MutexExists(kKeepsafeMutex))
    return 0;
  // Also when the parent wasn't found (the name is then empty).
  if (!EqualsIgnoringAsciiCase(parent, kProductRunner))
    ShowErrorMessage(kMsgConferaExist);
  return 1;
}

}  // namespace quillon
