// Stand-in for the product's other programs as far as the launcher sees them:
// it holds named mutexes.
//
//   mutex_holder.exe [--ready EVENT] [--quit EVENT] [--seconds N] NAME...
//
// Creates each mutex NAME with initial ownership, then sets the named event
// EVENT given by --ready (created when missing) and prints "ready", and holds
// the mutexes until the event given by --quit is set or N seconds (default 60)
// have passed. Exit code 0 after a normal hold; 2 for a bad command line; 3
// when a mutex can't be created or already existed (it is still held, so the
// name stays taken for the rest of the hold).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

HANDLE OpenOrCreateEvent(const std::wstring& name) {
  // Manual reset, so a late waiter still sees it set.
  return ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
}

int Usage() {
  std::fwprintf(stderr,
                L"usage: mutex_holder [--ready EVENT] [--quit EVENT] [--seconds N] NAME...\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring ready_name;
  std::wstring quit_name;
  unsigned long seconds = 60;
  std::vector<std::wstring> names;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if ((arg == L"--ready" || arg == L"--quit" || arg == L"--seconds") && i + 1 >= argc)
      return Usage();
    if (arg == L"--ready") {
      ready_name = argv[++i];
    } else if (arg == L"--quit") {
      quit_name = argv[++i];
    } else if (arg == L"--seconds") {
      wchar_t* end = nullptr;
      seconds = std::wcstoul(argv[++i], &end, 10);
      if (!end || *end != L'\0' || seconds == 0 || seconds > 3600)
        return Usage();
    } else if (arg.size() > 1 && arg[0] == L'-' && arg[1] == L'-') {
      return Usage();
    } else {
      names.push_back(arg);
    }
  }
  if (names.empty())
    return Usage();

  int result = 0;
  std::vector<HANDLE> held;
  for (const std::wstring& name : names) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    DWORD error = ::GetLastError();
    if (!mutex) {
      std::fwprintf(stderr, L"mutex_holder: can't create %ls (error %lu)\n", name.c_str(), error);
      result = 3;
      continue;
    }
    if (error == ERROR_ALREADY_EXISTS) {
      std::fwprintf(stderr, L"mutex_holder: %ls already existed\n", name.c_str());
      result = 3;
    }
    held.push_back(mutex);
  }

  HANDLE quit = quit_name.empty() ? nullptr : OpenOrCreateEvent(quit_name);
  if (!ready_name.empty()) {
    HANDLE ready = OpenOrCreateEvent(ready_name);
    if (ready) {
      ::SetEvent(ready);
      ::CloseHandle(ready);
    }
  }
  std::wprintf(L"ready\n");
  std::fflush(stdout);

  DWORD wait_ms = seconds * 1000;
  if (quit) {
    ::WaitForSingleObject(quit, wait_ms);
    ::CloseHandle(quit);
  } else {
    ::Sleep(wait_ms);
  }
  for (HANDLE mutex : held) {
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  }
  return result;
}
