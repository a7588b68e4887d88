// A library that a hostile stick could plant beside the launcher under the
// name of a system library (uxtheme.dll, version.dll). When any process loads
// it, it leaves a marker file "<own path>.loaded" beside itself, so a test can
// tell whether the launcher picked it up instead of the system's copy. Its
// exports have the names and signatures the launcher looks up and do nothing.
#include <windows.h>

namespace {

void WriteMarker(HINSTANCE module) {
  wchar_t path[MAX_PATH + 8] = {};
  DWORD len = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (len == 0 || len >= MAX_PATH)
    return;
  // Room for ".loaded" was reserved above the path's limit.
  const wchar_t suffix[] = L".loaded";
  for (size_t i = 0; i < sizeof(suffix) / sizeof(suffix[0]); ++i)
    path[len + i] = suffix[i];
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    ::CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    WriteMarker(module);
  return TRUE;
}

// uxtheme.dll
HRESULT WINAPI PlantedEnableThemeDialogTexture(HWND, DWORD) {
  return E_NOTIMPL;
}

// version.dll
DWORD WINAPI PlantedGetFileVersionInfoSizeW(LPCWSTR, LPDWORD handle) {
  if (handle)
    *handle = 0;
  ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}

BOOL WINAPI PlantedGetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) {
  ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return FALSE;
}

BOOL WINAPI PlantedVerQueryValueW(LPCVOID, LPCWSTR, LPVOID* buffer, PUINT length) {
  if (buffer)
    *buffer = nullptr;
  if (length)
    *length = 0;
  return FALSE;
}

}  // extern "C"
