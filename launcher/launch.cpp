#include "launcher/launch.h"

#include <strsafe.h>

#include "deploy/plan.h"
#include "environment/platform.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "support/handles.h"
#include "userenv/user_environment.h"

namespace quillon {
namespace {

// The product's named mutexes (plain names, no namespace prefix).
// Held by this launcher for the whole start: one launcher at a time.
constexpr wchar_t kInstanceMutex[] = L"_OstrelVT7_Mutex2";
// Held by the product's previous generation, which can't run beside this one.
constexpr wchar_t kPreviousGenerationMutex[] = L"_OstrelVT_Mutex";
// Held while a component of the product has the stick in use; only probed.
constexpr wchar_t kBusyMutex[] = L"_OstrelVT7_Mutex";
// Held by the product's start: a busy stick is waited for only while it exists.
constexpr wchar_t kStartMutex[] = L"_VaultineStart_";

// The C runtime's limit for the directory, name and extension of a path.
constexpr size_t kMaxPathComponent = 256;

wchar_t g_module_folder[MAX_PATH];
wchar_t g_module_ini_path[MAX_PATH];

// True when the named mutex exists (and could be opened).
bool MutexExists(const wchar_t* name) {
  KernelHandle mutex(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name));
  return mutex.IsValid();
}

// True when another component of the product holds the busy mutex. The probe
// creates the mutex (with initial ownership) and closes it again at once; a
// create that fails for another reason counts as "not busy".
bool StickIsBusy() {
  KernelHandle probe(::CreateMutexW(nullptr, TRUE, kBusyMutex));
  return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// Case-insensitive comparison of ASCII letters only. The locale-aware
// comparisons fold case by the user's language (a Turkish "I" is not an "i").
bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; };
  for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
    if (fold(*a) != fold(*b))
      return false;
  }
  return *a == *b;
}

// The Windows-version gate. Windows 8 and 7 of either bitness and 32-bit
// Vista and XP start without further ado; any other system only when the
// stick's settings lift the check.
bool WindowsVersionAccepted(wchar_t drive) {
  bool supported = false;
  if (IsWindows8())
    supported = true;
  if (IsWindows7())
    supported = true;
  if (IsWindowsXp() && IsNative32Bit())
    supported = true;
  if (IsWindowsVista() && IsNative32Bit())
    return true;
  if (supported)
    return true;
  wchar_t settings_path[MAX_PATH];
  if (FAILED(::StringCchPrintfW(settings_path, MAX_PATH, L"%c:\\.cfg\\Setting.ini", drive))) {
    return false;
  }
  return IsVersionCheckDisabled(settings_path);
}

}  // namespace

bool ModuleFolderFromPath(const wchar_t* path, wchar_t* folder, size_t capacity) {
  if (!folder || capacity == 0)
    return false;
  folder[0] = L'\0';
  if (!path)
    return false;
  const size_t drive_length = (path[0] != L'\0' && path[1] == L':') ? 2 : 0;
  const wchar_t* directory = path + drive_length;
  const wchar_t* name = directory;
  for (const wchar_t* p = directory; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/')
      name = p + 1;
  }
  const wchar_t* extension = ::wcsrchr(name, L'.');
  if (!extension)
    extension = name + ::wcslen(name);
  const size_t directory_length = static_cast<size_t>(name - directory);
  const size_t name_length = static_cast<size_t>(extension - name);
  const size_t extension_length = ::wcslen(extension);
  // Each part must fit a 256-character buffer with its terminator.
  if (directory_length >= kMaxPathComponent || name_length >= kMaxPathComponent ||
      extension_length >= kMaxPathComponent) {
    return false;
  }
  if (FAILED(::StringCchCopyNW(folder, capacity, path, drive_length + directory_length))) {
    folder[0] = L'\0';
    return false;
  }
  return true;
}

bool IsDriveLetterPath(const wchar_t* path) {
  if (!path)
    return false;
  const wchar_t letter = path[0];
  const bool is_letter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
  return is_letter && path[1] == L':';
}

bool IsVersionCheckDisabled(const wchar_t* settings_path) {
  wchar_t value[64] = {};
  ::GetPrivateProfileStringW(L"Quillon", L"Version_check", L"", value, 64, settings_path);
  return EqualsIgnoringAsciiCase(value, L"Disable");
}

const wchar_t* GetModuleFolder() {
  g_module_folder[0] = L'\0';
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A path that fills the buffer was cut (and, on XP, isn't terminated).
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  if (!ModuleFolderFromPath(path, g_module_folder, MAX_PATH))
    return nullptr;
  return g_module_folder;
}

const wchar_t* GetModuleIniPath() {
  const DWORD length = ::GetModuleFileNameW(nullptr, g_module_ini_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    g_module_ini_path[0] = L'\0';
    return nullptr;
  }
  wchar_t* dot = ::wcsrchr(g_module_ini_path, L'.');
  if (dot)
    *dot = L'\0';
  if (FAILED(::StringCchCatW(g_module_ini_path, MAX_PATH, L".ini"))) {
    g_module_ini_path[0] = L'\0';
    return nullptr;
  }
  return g_module_ini_path;
}

int RunLauncher() {
  // Every path on the stick is built from the drive letter of the program's
  // own folder. Without one (the path can't be split, or the program was
  // started from a network path) there is no stick to work with.
  const wchar_t* module_folder = GetModuleFolder();
  if (!module_folder || !IsDriveLetterPath(module_folder)) {
    ShowErrorMessage(kMsgErrorOther);
    return 0;
  }
  const wchar_t drive = module_folder[0];

  // One launcher at a time: a second one ends silently. The mutex is held
  // until the start ends.
  KernelHandle instance(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
  if (::GetLastError() == ERROR_ALREADY_EXISTS)
    return 0;

  // The product's previous generation can't run beside this one.
  if (MutexExists(kPreviousGenerationMutex)) {
    ShowErrorMessage(kMsgErrorVt6);
    return 0;
  }

  if (!WindowsVersionAccepted(drive)) {
    ShowErrorMessage(kMsgErrorWinver);
    return 0;
  }

  if (StickIsBusy()) {
    // Another component has the stick in use. Without the product's start
    // mutex there is nothing to wait for: end silently.
    if (!MutexExists(kStartMutex))
      return 0;
    // With it, the start waits in the wait window until the stick is free.
    // The wait window is not there yet, so this case ends silently as well.
    return 0;
  }

  PublishUserEnvironment();
  const UINT result = DeployComponents();
  if (result != kMsgOk)
    ShowErrorMessage(result);

  instance.Close();
  return 0;
}

}  // namespace quillon
