// The floor of a start (tools/bench-start.sh runs it; not the launcher): the
// file operations that a start must make for its components, and nothing
// else, so that a start can be measured against them. It carries the same
// payload resources as the launcher and, for each row of the deployment plan
// in order (the plan's own table, the column of the running bitness):
//   - finds and locks the payload resource;
//   - deletes the target and tests that it is gone;
//   - writes the compressed stream to the target in one write;
//   - makes the temporary file in the data folder (GetTempFileNameW, "UAS");
//   - decodes the target into it in blocks of 64 KiB with liblzma;
//   - copies it over the target and deletes it;
//   - tells the shell that the target was created.
// Then it deletes and saves the shortcut "Quillon.lnk" to the viewer (the
// program's own path as the argument text), sleeps the 100 ms that follow a
// save, and opens the shortcut with ShellExecuteExW. The data folder and the
// library folder are looked up and created once, as the launcher keeps them
// (one lookup, without the launcher's re-checks of the folders).
//
// No checks, messages, log, mutexes or gate. After the launch request it
// writes the wall-clock time of each step (100 ns units since 1601, as
// GetSystemTimeAsFileTime gives it) to start_floor.times.txt beside
// the program, one "NAME TIME" a line: "entry", "folders", each file name,
// "shortcut", "pause", "launch".
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <lzma.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

#include "deploy/plan.h"
#include "environment/platform/platform.h"

namespace {

constexpr DWORD kBlockSize = 65536;
constexpr int kMaxSteps = 32;

struct Step {
  const wchar_t* name;
  ULONGLONG time;
};
Step g_steps[kMaxSteps];
int g_step_count = 0;

void Mark(const wchar_t* name) {
  if (g_step_count == kMaxSteps)
    return;
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  g_steps[g_step_count++] = {
      name, (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime};
}

uint8_t g_input[kBlockSize];
uint8_t g_output[kBlockSize];

// Decodes the .lzma stream in |in| into |out| up to the size that its header
// declares, feeding liblzma 64 KiB at a time.
bool Decode(HANDLE in, HANDLE out) {
  lzma_stream stream = LZMA_STREAM_INIT;
  if (::lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK)
    return false;
  uint64_t size = 0;
  uint64_t produced = 0;
  bool header_read = false;
  bool input_ended = false;
  bool ok = false;
  for (;;) {
    if (stream.avail_in == 0 && !input_ended) {
      DWORD read = 0;
      if (!::ReadFile(in, g_input, kBlockSize, &read, nullptr))
        break;
      // Decoded bytes may still be pending when the input has run out.
      input_ended = read == 0;
      if (!header_read) {
        if (read < 13)
          break;
        for (int i = 12; i >= 5; --i)
          size = (size << 8) | g_input[i];
        header_read = true;
      }
      stream.next_in = g_input;
      stream.avail_in = read;
    }
    const uint64_t left = size - produced;
    const DWORD wanted = left < kBlockSize ? static_cast<DWORD>(left) : kBlockSize;
    stream.next_out = g_output;
    stream.avail_out = wanted;
    const lzma_ret ret = ::lzma_code(&stream, LZMA_RUN);
    const DWORD made = wanted - static_cast<DWORD>(stream.avail_out);
    DWORD written = 0;
    if (made != 0 && (!::WriteFile(out, g_output, made, &written, nullptr) || written != made))
      break;
    produced += made;
    if (produced == size) {
      ok = true;
      break;
    }
    if (ret != LZMA_OK || (input_ended && made == 0))
      break;
  }
  ::lzma_end(&stream);
  return ok;
}

bool Extract(const wchar_t* folder,
             const wchar_t* data_folder,
             const wchar_t* file_name,
             const wchar_t* resource_name) {
  HRSRC resource = ::FindResourceW(nullptr, resource_name, L"MODULE");
  if (!resource)
    return false;
  const DWORD size = ::SizeofResource(nullptr, resource);
  const void* data = ::LockResource(::LoadResource(nullptr, resource));
  if (!data || size == 0)
    return false;
  wchar_t target[MAX_PATH];
  std::swprintf(target, MAX_PATH, L"%ls%ls", folder, file_name);

  ::DeleteFileW(target);
  if (::GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES)
    return false;
  HANDLE file = ::CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  const bool stored = ::WriteFile(file, data, size, &written, nullptr) && written == size;
  ::CloseHandle(file);
  if (!stored)
    return false;

  wchar_t temp[MAX_PATH];
  if (::GetTempFileNameW(data_folder, L"UAS", 0, temp) == 0)
    return false;
  HANDLE in = ::CreateFileW(target, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = ::CreateFileW(temp, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool decoded = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && Decode(in, out);
  if (out != INVALID_HANDLE_VALUE)
    ::CloseHandle(out);
  if (in != INVALID_HANDLE_VALUE)
    ::CloseHandle(in);
  const bool copied = decoded && ::CopyFileW(temp, target, FALSE);
  ::DeleteFileW(temp);
  if (!copied)
    return false;
  ::SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, target, nullptr);
  return true;
}

// The data folder (and |subfolder| in it) created when missing; both in short
// form with a trailing backslash.
bool MakeFolders(const wchar_t* subfolder, wchar_t* data_folder, wchar_t* library_folder) {
  LPITEMIDLIST item_list = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &item_list) != S_OK)
    return false;
  wchar_t base[MAX_PATH] = {};
  ::SHGetPathFromIDListW(item_list, base);
  ::CoTaskMemFree(item_list);
  wchar_t data[MAX_PATH];
  wchar_t library[MAX_PATH];
  std::swprintf(data, MAX_PATH, L"%ls\\Vaultine\\", base);
  std::swprintf(library, MAX_PATH, L"%ls%ls\\", data, subfolder);
  if (!::PathFileExistsW(data) && !::CreateDirectoryW(data, nullptr))
    return false;
  if (!::PathFileExistsW(library) && !::CreateDirectoryW(library, nullptr))
    return false;
  const DWORD data_length = ::GetShortPathNameW(data, data_folder, MAX_PATH);
  const DWORD library_length = ::GetShortPathNameW(library, library_folder, MAX_PATH);
  return data_length != 0 && data_length < MAX_PATH && library_length != 0 &&
         library_length < MAX_PATH;
}

bool SaveShortcut(const wchar_t* shortcut, const wchar_t* viewer, const wchar_t* arguments) {
  const HRESULT init = ::CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* persist = nullptr;
  bool saved = false;
  if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                         reinterpret_cast<void**>(&link)) == S_OK) {
    link->SetPath(viewer);
    link->SetArguments(arguments);
    if (link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)) == S_OK)
      saved = persist->Save(shortcut, TRUE) == S_OK;
  }
  if (persist)
    persist->Release();
  if (link)
    link->Release();
  if (SUCCEEDED(init))
    ::CoUninitialize();
  return saved;
}

void WriteTimes() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return;
  wchar_t* slash = std::wcsrchr(path, L'\\');
  if (!slash || static_cast<size_t>(slash + 1 - path) + 24 > MAX_PATH)
    return;
  std::wcscpy(slash + 1, L"start_floor.times.txt");
  FILE* file = ::_wfopen(path, L"w");
  if (!file)
    return;
  for (int i = 0; i < g_step_count; ++i)
    std::fprintf(file, "%ls %llu\n", g_steps[i].name, g_steps[i].time);
  std::fclose(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Mark(L"entry");
  wchar_t own_path[MAX_PATH];
  const DWORD own_length = ::GetModuleFileNameW(nullptr, own_path, MAX_PATH);
  wchar_t data_folder[MAX_PATH];
  wchar_t library_folder[MAX_PATH];
  if (own_length == 0 || own_length >= MAX_PATH ||
      !MakeFolders(L"Library7.0.0.68", data_folder, library_folder)) {
    return 1;
  }
  Mark(L"folders");

  size_t count = 0;
  const quillon::ComponentRow* rows = quillon::ComponentTable(quillon::IsNative32Bit(), &count);
  for (size_t i = 0; i < count; ++i) {
    const quillon::ComponentRow& row = rows[i];
    const wchar_t* folder =
        row.folder == quillon::ComponentFolder::kLibrary ? library_folder : data_folder;
    Extract(folder, data_folder, row.file_name, row.resource);
    Mark(row.file_name);
  }

  wchar_t shortcut[MAX_PATH];
  wchar_t viewer[MAX_PATH];
  std::swprintf(shortcut, MAX_PATH, L"%lsQuillon.lnk", data_folder);
  std::swprintf(viewer, MAX_PATH, L"%lsPortico.exe", data_folder);
  ::DeleteFileW(shortcut);
  SaveShortcut(shortcut, viewer, own_path);
  Mark(L"shortcut");
  ::Sleep(100);
  Mark(L"pause");

  SHELLEXECUTEINFOW request = {};
  request.cbSize = sizeof(request);
  request.lpFile = shortcut;
  request.lpDirectory = data_folder;
  request.nShow = SW_SHOWNORMAL;
  ::ShellExecuteExW(&request);
  Mark(L"launch");
  WriteTimes();
  return 0;
}
