// Stand-in for the product's programs that start the launcher (QuillonRun.exe,
// Confera.exe): the tests copy it under those names, so that the launcher's
// parent process has that image name.
//
//   starter.exe [--exit] PROGRAM
//
// Starts PROGRAM (no arguments, in PROGRAM's own folder) and waits for its
// end, passing its exit code on. With --exit it ends at once instead, so that
// the launcher's parent is gone before the launcher looks for it: the child
// is left suspended (whoever watches it resumes it once this program has
// ended), and the exit code is the child's process ID. Exit code 2 for a bad command line, 3
// when PROGRAM can't be started.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  bool exit_at_once = argc == 3 && std::wstring(argv[1]) == L"--exit";
  if (argc != 2 && !exit_at_once)
    return 2;
  std::wstring program = argv[argc - 1];
  std::wstring command_line = L"\"" + program + L"\"";
  std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child = {};
  const DWORD flags = exit_at_once ? CREATE_SUSPENDED : 0;
  if (!::CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, FALSE, flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &child)) {
    return 3;
  }
  ::CloseHandle(child.hThread);
  DWORD code = child.dwProcessId;
  if (!exit_at_once) {
    ::WaitForSingleObject(child.hProcess, INFINITE);
    ::GetExitCodeProcess(child.hProcess, &code);
  }
  ::CloseHandle(child.hProcess);
  return static_cast<int>(code);
}
