// Stand-in for the companion programs on the stick, Swiftgate.exe and
// Confera.exe. Each start appends one line to <own name>.record.txt beside the
// program (UTF-8): <full command line> CR LF, and the program ends with the
// exit code that the environment variable COMPANION_EXIT_CODE gives (a
// decimal number; 0 without it). A launcher passes its environment on to the
// programs it starts, so a test chooses the code by the launcher's.
#include <windows.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t own[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 0;
  std::wstring record(own, length);
  record = record.substr(0, record.find_last_of(L'.')) + L".record.txt";
  std::wstring line = std::wstring(::GetCommandLineW()) + L"\r\n";
  char utf8[4096] = {};
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8, sizeof(utf8), nullptr,
                                    nullptr);
  HANDLE file = ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (bytes > 1)
      ::WriteFile(file, utf8, static_cast<DWORD>(bytes - 1), &written, nullptr);
    ::CloseHandle(file);
  }
  wchar_t code[16] = {};
  if (::GetEnvironmentVariableW(L"COMPANION_EXIT_CODE", code, 16) == 0)
    return 0;
  return static_cast<int>(std::wcstoul(code, nullptr, 10));
}
