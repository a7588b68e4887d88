// A program without any library hardening: it loads each library named on its
// command line by plain name, through the default search order that starts in
// the program's own folder. Beside planted libraries it shows what the
// launcher must never do, and so proves that their markers can be seen.
//
//   dll_probe.exe NAME...   exit code: how many of the names failed to load
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    HMODULE module = ::LoadLibraryW(argv[i]);
    wchar_t path[MAX_PATH] = {};
    if (module)
      ::GetModuleFileNameW(module, path, MAX_PATH);
    std::wprintf(L"%ls -> %ls\n", argv[i], module ? path : L"(not loaded)");
    if (!module)
      ++failed;
  }
  return failed;
}
