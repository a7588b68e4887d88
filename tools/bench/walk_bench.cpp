// The bare walk of tools/bench-walk.sh: the whole tree below a folder with
// FindFirstFileW and FindNextFileW, depth-first, without links to folders, as
// a minimal program would walk it. Prints "files=N folders=N ms=T".
//
//   walk_bench.exe ROOT      (for example S:)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Walk(const std::wstring& folder, unsigned long* files, unsigned long* folders) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    std::wstring name = entry.cFileName;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++*files;
    } else if (name != L"." && name != L".." &&
               !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      ++*folders;
      Walk(folder + L"\\" + name, files, folders);
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2)
    return 2;
  unsigned long files = 0;
  unsigned long folders = 0;
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  Walk(argv[1], &files, &folders);
  ::QueryPerformanceCounter(&end);
  std::printf("files=%lu folders=%lu ms=%.1f\n", files, folders,
              1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                  static_cast<double>(frequency.QuadPart));
  return 0;
}
