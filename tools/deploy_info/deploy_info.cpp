// Prints what a start of the launcher left on the PC, for tools/demo.sh:
//
//   deploy_info.exe files [FOLDER]   every file below FOLDER (default: the
//                                    per-user data folder) with its size and
//                                    its FileVersion and ProductVersion texts
//   deploy_info.exe link [FILE.lnk]  the shortcut's target, arguments, working
//                                    folder and data flags (default: the
//                                    data folder's Quillon.lnk)
//   deploy_info.exe env              Portico and VT_Parameter of
//                                    HKCU\Environment with their types
//   deploy_info.exe record [SECONDS] the viewer stand-in's Portico.record.txt
//                                    in the data folder, waiting for it at
//                                    most SECONDS (default 10): the viewer is
//                                    started through the shell, asynchronously
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "support/handles.h"

namespace {

using quillon::ComPtr;
using quillon::RegKey;

std::wstring DataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return std::wstring();
  return std::wstring(path) + L"\\Vaultine";
}

// The text |name| of the first translation's string table, or "-".
std::wstring VersionText(const std::wstring& path, const wchar_t* name) {
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0)
    return L"-";
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
    return L"-";
  WORD* translation = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
      length < 2 * sizeof(WORD)) {
    return L"-";
  }
  wchar_t query[128] = {};
  std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1],
                name);
  wchar_t* text = nullptr;
  if (!::VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length) ||
      length == 0) {
    return L"-";
  }
  return std::wstring(text);
}

void ListFiles(const std::wstring& root, const std::wstring& relative) {
  std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  WIN32_FIND_DATAW data;
  quillon::FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find.IsValid())
    return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..")
      continue;
    std::wstring child = relative.empty() ? name : relative + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(root, child);
      continue;
    }
    ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    std::wstring path = root + L"\\" + child;
    std::printf("  %-36ls %10llu  file %-14ls product %ls\n", child.c_str(), size,
                VersionText(path, L"FileVersion").c_str(),
                VersionText(path, L"ProductVersion").c_str());
  } while (::FindNextFileW(find.Get(), &data));
}

int PrintLink(const wchar_t* file) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  ComPtr<IShellLinkDataList> data_list;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, persist.ReceiveVoid())) ||
      FAILED(persist->Load(file, STGM_READ))) {
    std::printf("  can't read %ls\n", file);
    return 1;
  }
  wchar_t text[INFOTIPSIZE] = {};
  if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
    text[0] = L'\0';
  std::printf("  target:    %ls\n", text);
  text[0] = L'\0';
  if (FAILED(link->GetArguments(text, INFOTIPSIZE)))
    text[0] = L'\0';
  std::printf("  arguments: %ls\n", text);
  text[0] = L'\0';
  if (FAILED(link->GetWorkingDirectory(text, MAX_PATH)))
    text[0] = L'\0';
  std::printf("  folder:    %ls\n", text[0] ? text : L"(none)");
  DWORD flags = 0;
  if (SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data_list.ReceiveVoid())) &&
      SUCCEEDED(data_list->GetFlags(&flags))) {
    std::printf("  flags:     0x%08lx (run as administrator: %s)\n", flags,
                (flags & SLDF_RUNAS_USER) ? "yes" : "no");
  }
  return 0;
}

void PrintEnvironmentValue(HKEY key, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof(text) - sizeof(wchar_t);
  LONG result = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  if (result != ERROR_SUCCESS) {
    std::printf("  %-13ls (not set)\n", name);
    return;
  }
  const char* type_name = type == REG_SZ          ? "REG_SZ"
                          : type == REG_EXPAND_SZ ? "REG_EXPAND_SZ"
                                                  : "other type";
  std::printf("  %-13ls %s, %lu bytes: \"%ls\"\n", name, type_name, size, text);
}

int PrintEnvironment() {
  RegKey key;
  if (OpenRegKey(HKEY_CURRENT_USER, L"Environment", KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("  HKCU\\Environment can't be opened\n");
    return 1;
  }
  PrintEnvironmentValue(key.get(), L"Portico");
  PrintEnvironmentValue(key.get(), L"VT_Parameter");
  return 0;
}

// Prints the record once it exists and holds a line, or says it doesn't.
int PrintRecord(DWORD seconds) {
  std::wstring path = DataFolder() + L"\\Portico.record.txt";
  DWORD start = ::GetTickCount();
  for (;;) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file) {
      std::string text;
      char block[4096];
      size_t got = 0;
      while ((got = std::fread(block, 1, sizeof(block), file)) > 0)
        text.append(block, got);
      std::fclose(file);
      if (text.find('\n') != std::string::npos) {
        std::printf("%s", text.c_str());
        return 0;
      }
    }
    if (::GetTickCount() - start >= seconds * 1000)
      break;
    ::Sleep(100);
  }
  std::printf("  no record after %lu s: the viewer didn't start\n", seconds);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc >= 2 ? argv[1] : L"";
  if (mode == L"files" && argc <= 3) {
    std::wstring folder = argc == 3 ? argv[2] : DataFolder();
    std::printf("  %ls\n", folder.c_str());
    ListFiles(folder, std::wstring());
    return 0;
  }
  if (mode == L"link" && argc <= 3) {
    std::wstring file = argc == 3 ? argv[2] : DataFolder() + L"\\Quillon.lnk";
    HRESULT init = ::CoInitialize(nullptr);
    int status = PrintLink(file.c_str());
    if (SUCCEEDED(init))
      ::CoUninitialize();
    return status;
  }
  if (mode == L"env" && argc == 2)
    return PrintEnvironment();
  if (mode == L"record" && argc <= 3) {
    return PrintRecord(argc == 3 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 10);
  }
  std::fprintf(stderr,
               "usage: deploy_info files [FOLDER] | link [FILE.lnk] | env | record [SECONDS]\n");
  return 2;
}
