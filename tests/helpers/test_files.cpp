#include "tests/helpers/test_files.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>

#include "deploy/folders/folders.h"
#include "support/handles.h"
#include "tests/helpers/poll.h"

namespace quillon::helpers {

std::wstring UniqueName(const std::wstring& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
         std::to_wstring(++counter);
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH] = {};
  DWORD len = ::GetTempPathW(MAX_PATH, base);
  std::wstring root = (len == 0 || len >= MAX_PATH) ? L"C:\\" : base;
  if (root.back() != L'\\')
    root += L'\\';
  path_ = root + UniqueName(L"qt");
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
  RemoveTree(path_);
}

std::wstring TempDir::Join(const std::wstring& name) const {
  return path_ + L"\\" + name;
}

bool RemoveTree(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find.IsValid()) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
          continue;
        RemoveTree(path + L"\\" + name);
      } while (::FindNextFileW(find.Get(), &data));
    }
    find.Close();
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryW(path.c_str()) != 0;
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return ::DeleteFileW(path.c_str()) != 0;
}

bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return false;
  DWORD written = 0;
  return bytes.empty() || (::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) &&
                           written == bytes.size());
}

bool WriteText(const std::wstring& path, const std::string& text) {
  return WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

bool WriteUtf16(const std::wstring& path, const std::wstring& text) {
  std::vector<unsigned char> bytes = {0xFF, 0xFE};
  for (wchar_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  }
  return WriteBytes(path, bytes);
}

bool ReadBytes(const std::wstring& path, std::vector<unsigned char>* bytes) {
  bytes->clear();
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return false;
  unsigned char block[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), block, sizeof(block), &got, nullptr) && got > 0)
    bytes->insert(bytes->end(), block, block + got);
  return true;
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty())
    return std::string();
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, nullptr);
  return out;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  DWORD len = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, len);
  size_t slash = folder.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

namespace {

void ListInto(const std::wstring& folder,
              const std::wstring& prefix,
              std::vector<std::wstring>* out) {
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find.IsValid())
    return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..")
      continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      ListInto(folder + L"\\" + name, prefix + name + L"\\", out);
    } else {
      out->push_back(prefix + name);
    }
  } while (::FindNextFileW(find.Get(), &data));
}

}  // namespace

std::vector<std::wstring> ListFilesBelow(const std::wstring& folder) {
  std::vector<std::wstring> files;
  ListInto(folder, std::wstring(), &files);
  std::sort(files.begin(), files.end());
  return files;
}

bool CopySampleStick(const std::wstring& root) {
  wchar_t sample[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUILLON_SAMPLE_STICK", sample, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return false;
  const std::wstring from = std::wstring(sample) + L"\\.cfg";
  const std::wstring to = (root.back() == L'\\' ? root : root + L"\\") + L".cfg";
  ::CreateDirectoryW(to.c_str(), nullptr);
  const std::vector<std::wstring> files = ListFilesBelow(from);
  return !files.empty() && std::all_of(files.begin(), files.end(), [&](const std::wstring& f) {
    return ::CopyFileW((from + L"\\" + f).c_str(), (to + L"\\" + f).c_str(), FALSE) != FALSE;
  });
}

std::wstring ShortPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return (length == 0 || length >= MAX_PATH) ? path : std::wstring(buffer);
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return (length == 0 || length >= MAX_PATH) ? path : std::wstring(buffer);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::lstrcmpiW(LongPath(a).c_str(), LongPath(b).c_str()) == 0;
}

std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return std::wstring();
  return path;
}

std::wstring ProductDataFolder() {
  std::wstring base = LocalAppData();
  return base.empty() ? base : base + L"\\Vaultine";
}

bool ViewerStarted() {
  return FileExists(ProductDataFolder() + L"\\Quillon.lnk") &&
         PollUntil("the viewer's record", 5000,
                   [] { return FileExists(ProductDataFolder() + L"\\Portico.record.txt"); });
}

std::wstring ShortDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetProductFolder(MAX_PATH, folder);
  return (length == 0 || length >= MAX_PATH) ? std::wstring() : std::wstring(folder);
}

ScopedDataFolderAside::ScopedDataFolderAside()
    : path_(ProductDataFolder()), aside_(LocalAppData() + L"\\" + UniqueName(L"Vaultine.aside")) {
  moved_ = ::MoveFileW(path_.c_str(), aside_.c_str()) != 0;
}

ScopedDataFolderAside::~ScopedDataFolderAside() {
  RemoveTree(path_);
  if (moved_)
    ::MoveFileW(aside_.c_str(), path_.c_str());
}

int RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeout_ms) {
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  StartedProcess process;
  if (!::CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, process.Receive())) {
    return -1;
  }
  if (::WaitForSingleObject(process.Process(), timeout_ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Process(), 1);
    return -1;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.Process(), &code);
  return static_cast<int>(code);
}

}  // namespace quillon::helpers
