#include "launcher/wait_window.h"

#include <commctrl.h>
#include <strsafe.h>

#include <cwchar>

#include "deploy/folders/folders.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "support/handles.h"
#include "support/path_buffer.h"

namespace quillon {
namespace {

constexpr int kProgressBar = 2001;
constexpr int kAppNameText = 2004;
constexpr size_t kAppNameCapacity = 260;
constexpr size_t kCommandLineCapacity = 260;

HWND g_window = nullptr;
bool g_cancelled = false;
// The app-notify file, found once when the window starts; empty when the data
// folder couldn't be had (the app name then stays empty).
PathBuffer g_notify_path;
wchar_t g_app_name[kAppNameCapacity] = {};

// The program that the product's other components name in the app-notify
// file: [Set] App, read anew on every call (another process may rewrite it).
void ReadAppName(wchar_t (&name)[kAppNameCapacity]) {
  name[0] = L'\0';
  // An empty file name would make the profile functions read win.ini.
  if (g_notify_path.IsEmpty())
    return;
  ::GetPrivateProfileStringW(kAppNotifySection, kAppNotifyKey, L"", name, kAppNameCapacity,
                             g_notify_path.Get());
}

void ShowAppName(HWND window) {
  ::SetDlgItemTextW(window, kAppNameText, g_app_name[0] != L'\0' ? g_app_name : L"---");
}

INT_PTR CALLBACK WaitWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      InitLocalizedDialog(window, kWaitTexts, sizeof(kWaitTexts) / sizeof(kWaitTexts[0]));
      PathBuffer folder;
      g_notify_path.Clear();
      if (GetProductFolder(&folder))
        g_notify_path.Join(folder.Get(), kAppNotifyFileName);
      ReadAppName(g_app_name);
      ShowAppName(window);
      return TRUE;
    }
    case WM_WAIT_PROGRESS:
      ::SendDlgItemMessageW(window, kProgressBar, PBM_SETPOS, static_cast<WPARAM>(lparam), 0);
      return TRUE;
    case WM_COMMAND:
      // Only the mouse works the buttons: the wait loop dispatches no typed
      // keys to the window. The close box (and Alt+F4) arrives as the cancel
      // button.
      if (LOWORD(wparam) == kForceQuitButton) {
        ForceQuitApp(g_app_name);
      } else if (LOWORD(wparam) == kCancelButton) {
        g_cancelled = true;
        ::DestroyWindow(window);
      }
      return FALSE;
    case WM_DESTROY:
      // Ends the wait loop. The handle is forgotten with the window, also when
      // the user closed it.
      g_window = nullptr;
      ::PostQuitMessage(0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowWaitWindow(HWND owner, int range) {
  if (g_window)
    return true;
  // The dialog's progress bar is a common control.
  EnsureCommonControls(ICC_PROGRESS_CLASS);
  g_window = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kWaitDialog), owner,
                                  WaitWindowProc, 0);
  if (!g_window)
    return false;
  ::SendDlgItemMessageW(g_window, kProgressBar, PBM_SETRANGE32, 0, range);
  ::ShowWindow(g_window, SW_SHOW);
  return true;
}

void UpdateWaitWindow(int position) {
  if (!g_window)
    return;
  ::SendMessageW(g_window, WM_WAIT_PROGRESS, 0, position);
  wchar_t name[kAppNameCapacity];
  ReadAppName(name);
  // Repainted only when the name changed.
  if (std::wcscmp(name, g_app_name) != 0) {
    ::StringCchCopyW(g_app_name, kAppNameCapacity, name);
    ShowAppName(g_window);
  }
}

void CloseWaitWindow() {
  if (!g_window)
    return;
  ::DestroyWindow(g_window);
  g_window = nullptr;
}

bool WaitCancelled() {
  return g_cancelled;
}

bool TaskKillCommandLine(const wchar_t* system_folder,
                         const wchar_t* image_name,
                         wchar_t* command_line,
                         size_t capacity) {
  // Quoted, so that a name with blanks stays one argument; a quote in it
  // would end the quoting early. The tool takes * and ? as a pattern: "*"
  // would end every program the user may end, this one included.
  if (image_name[0] == L'\0' || std::wcspbrk(image_name, L"\"*?"))
    return false;
  return SUCCEEDED(::StringCchPrintfW(command_line, capacity, L"\"%s\\taskkill.exe\" /F /IM \"%s\"",
                                      system_folder, image_name));
}

void ForceQuitApp(const wchar_t* image_name) {
  // The system's own tool by its full path: started by its bare name, a
  // taskkill.exe in the program's folder (the stick) or the current folder
  // would run instead.
  PathBuffer system_folder;
  PathBuffer tool;
  if (!system_folder.TakeWritten(
          ::GetSystemDirectoryW(system_folder.Data(), PathBuffer::kCapacity)) ||
      !tool.Format(L"%s\\taskkill.exe", system_folder.Get())) {
    return;
  }
  wchar_t command_line[kCommandLineCapacity];
  if (!TaskKillCommandLine(system_folder.Get(), image_name, command_line, kCommandLineCapacity))
    return;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  // Not waited for; its handles close at once.
  StartedProcess process;
  ::CreateProcessW(tool.Get(), command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   process.Receive());
}

}  // namespace quillon
