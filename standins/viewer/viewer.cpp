// Stand-in for the product's viewer Portico.exe. Each start appends one line
// to Portico.record.txt beside the program (UTF-8):
//   <own path> TAB <full command line> TAB <local time YYYY-MM-DD hh:mm:ss.mmm>
//   TAB <current folder> CR LF
// and the program ends at once with exit code 0. With the environment
// variable PORTICO_STANDIN_WINDOW=1 it also shows what it recorded in a small
// window that closes itself after a few seconds.
#include <windows.h>
#include <strsafe.h>

namespace {

const wchar_t kRecordFileName[] = L"Portico.record.txt";
const wchar_t kWindowClass[] = L"PorticoStandIn";
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kWindowMilliseconds = 3000;
constexpr int kRecordCapacity = 4096;

wchar_t g_record[kRecordCapacity] = {};
// What the window shows: the same, one item a line.
wchar_t g_display[kRecordCapacity] = {};

// Appends |text| as UTF-8 to |path|. Several starts may append at once: each
// line goes out in one write to a file opened for appending.
bool AppendUtf8(const wchar_t* path, const wchar_t* text) {
  char utf8[kRecordCapacity * 3] = {};
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
  if (bytes <= 1)
    return false;
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      BOOL ok = ::WriteFile(file, utf8, static_cast<DWORD>(bytes - 1), &written, nullptr);
      ::CloseHandle(file);
      return ok && written == static_cast<DWORD>(bytes - 1);
    }
    if (::GetLastError() != ERROR_SHARING_VIOLATION)
      return false;
    ::Sleep(20);
  }
  return false;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      RECT client = {};
      ::GetClientRect(window, &client);
      ::CreateWindowExW(0, L"STATIC", g_display, WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8,
                        client.right - 16, client.bottom - 16, window, nullptr,
                        ::GetModuleHandleW(nullptr), nullptr);
      ::SetTimer(window, kCloseTimer, kWindowMilliseconds, nullptr);
      return 0;
    }
    case WM_TIMER:
      if (wparam == kCloseTimer)
        ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

void ShowRecord(HINSTANCE instance) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  if (!::RegisterClassW(&window_class))
    return;
  HWND window = ::CreateWindowExW(WS_EX_TOPMOST, kWindowClass, L"Portico (stand-in)",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  560, 200, nullptr, nullptr, instance, nullptr);
  if (!window)
    return;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  wchar_t own_path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, own_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 0;

  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  wchar_t current_folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, current_folder);
  ::StringCchPrintfW(g_record, kRecordCapacity,
                     L"%s\t%s\t%04u-%02u-%02u %02u:%02u:%02u.%03u\t%s\r\n", own_path,
                     ::GetCommandLineW(), now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                     now.wSecond, now.wMilliseconds, current_folder);

  ::StringCchPrintfW(g_display, kRecordCapacity,
                     L"Started: %04u-%02u-%02u %02u:%02u:%02u\r\nProgram: %s\r\nCommand line: %s",
                     now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, own_path,
                     ::GetCommandLineW());

  wchar_t record_path[MAX_PATH] = {};
  ::StringCchCopyW(record_path, MAX_PATH, own_path);
  wchar_t* name = record_path;
  for (wchar_t* p = record_path; *p; ++p) {
    if (*p == L'\\' || *p == L'/')
      name = p + 1;
  }
  *name = L'\0';
  if (SUCCEEDED(::StringCchCatW(record_path, MAX_PATH, kRecordFileName))) {
    AppendUtf8(record_path, g_record);
  }

  wchar_t flag[4] = {};
  DWORD flag_length = ::GetEnvironmentVariableW(L"PORTICO_STANDIN_WINDOW", flag, 4);
  if (flag_length == 1 && flag[0] == L'1')
    ShowRecord(instance);
  return 0;
}
