#include "deploy/shortcut.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "support/handles.h"
#include "support/sleep.h"

namespace quillon {

ShortcutBeforeSaveHook g_shortcut_before_save_for_testing = nullptr;
LaunchBeforeShellHook g_launch_before_shell_for_testing = nullptr;

namespace {

constexpr int kShortcutAttempts = 3;
constexpr DWORD kShortcutRetryMs = 100;

// The interfaces of one attempt. They are released by the caller in a fixed
// order (data list, persist file, link) before COM is uninitialised, on every
// road.
struct LinkInterfaces {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  ComPtr<IShellLinkDataList> data_list;
};

// Creates, configures and saves the link object; the interfaces obtained on
// the way stay in |com| whatever the outcome.
bool BuildAndSave(LinkInterfaces* com,
                  const wchar_t* shortcut_path,
                  const wchar_t* target_path,
                  const wchar_t* arguments,
                  bool run_as_admin) {
  if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                         com->link.ReceiveVoid()) != S_OK) {
    return false;
  }
  // The arguments are stored as given, without added quotes. Neither result
  // is looked at: the save below decides the attempt.
  com->link->SetPath(target_path);
  if (arguments)
    com->link->SetArguments(arguments);

  DWORD data_flags = 0;
  if (run_as_admin) {
    // Added to whatever flags the object already carries.
    if (FAILED(com->link->QueryInterface(IID_IShellLinkDataList, com->data_list.ReceiveVoid()))) {
      return false;
    }
    if (FAILED(com->data_list->GetFlags(&data_flags))) {
      return false;
    }
    if (!(data_flags & SLDF_RUNAS_USER)) {
      data_flags |= SLDF_RUNAS_USER;
      if (FAILED(com->data_list->SetFlags(data_flags))) {
        return false;
      }
    }
  }

  if (com->link->QueryInterface(IID_IPersistFile, com->persist.ReceiveVoid()) != S_OK) {
    return false;
  }
  if (g_shortcut_before_save_for_testing)
    g_shortcut_before_save_for_testing(com->link.Get(), data_flags);
  return com->persist->Save(shortcut_path, TRUE) == S_OK;
}

}  // namespace

bool CreateLaunchShortcut(const wchar_t* shortcut_path,
                          const wchar_t* target_path,
                          const wchar_t* arguments,
                          bool run_as_admin) {
  // A single-threaded apartment, as CoInitialize makes it; the interfaces
  // are released before it ends.
  ComInitialization com_thread(COINIT_APARTMENTTHREADED);
  LinkInterfaces com;
  bool saved = BuildAndSave(&com, shortcut_path, target_path, arguments, run_as_admin);
  com.data_list.Reset();
  com.persist.Reset();
  com.link.Reset();
  return saved;
}

bool CreateShortcutWithRetry(const wchar_t* shortcut_path,
                             const wchar_t* target_path,
                             const wchar_t* arguments,
                             bool run_as_admin) {
  bool saved = false;
  for (int attempt = 0; attempt < kShortcutAttempts && !saved; ++attempt) {
    // Replaces an old shortcut rather than updating it; when it can't be
    // deleted, the save below decides.
    ::DeleteFileW(shortcut_path);
    saved = CreateLaunchShortcut(shortcut_path, target_path, arguments, run_as_admin);
    // The pause follows every attempt, the successful one included, so the
    // shortcut is opened at least 100 ms after it was saved.
    RetrySleep(kShortcutRetryMs);
  }
  return saved;
}

void FillLaunchRequest(SHELLEXECUTEINFOW* request,
                       const wchar_t* shortcut_path,
                       const wchar_t* folder) {
#if !defined(_WIN64)
  static_assert(sizeof(SHELLEXECUTEINFOW) == 60, "launch request layout of the 32-bit shell");
#endif
  ::ZeroMemory(request, sizeof(*request));
  request->cbSize = sizeof(*request);
  // No verb: the shortcut's default verb starts its target with its
  // arguments, elevated when the shortcut says so.
  request->lpFile = shortcut_path;
  request->lpDirectory = folder;
  request->nShow = SW_SHOWNORMAL;
}

void LaunchShortcut(const wchar_t* shortcut_path, const wchar_t* folder) {
  SHELLEXECUTEINFOW request;
  FillLaunchRequest(&request, shortcut_path, folder);
  // The viewer starts in |folder|. A shell that opens the shortcut in the
  // shortcut's own working folder, which it has none of, starts the viewer
  // in the current folder instead (Wine's does): the launcher's, often on
  // the stick, which the viewer would then keep busy.
  ::SetCurrentDirectoryW(folder);
  // The shell may hand the request to an extension, which needs COM on the
  // calling thread, in a single-threaded apartment.
  ComInitialization com_thread(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (g_launch_before_shell_for_testing)
    g_launch_before_shell_for_testing(request);
  ::ShellExecuteExW(&request);
}

}  // namespace quillon
