// Move-only owners for the handles, keys, memory and COM interfaces that the
// launcher acquires. Each owner releases what it holds when it goes out of
// scope; none of them can be copied.
#ifndef QUILLON_SUPPORT_HANDLES_H_
#define QUILLON_SUPPORT_HANDLES_H_

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <cstdio>
#include <memory>
#include <type_traits>
#include <utility>

namespace quillon {

// Owns one handle of a kind that |Traits| describes: Traits::Empty() is the
// value that means "no handle" (what the call that makes the handle returns
// on failure), Traits::Close(handle) releases one. A null handle and
// INVALID_HANDLE_VALUE are never closed, whatever the kind: neither is a
// handle that was opened.
template <typename Traits>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Gives up ownership without closing.
  HANDLE Release() { return std::exchange(handle_, Traits::Empty()); }
  // Closes the held handle (if any) and takes |handle|.
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  void Close() {
    if (IsValid())
      Traits::Close(handle_);
    handle_ = Traits::Empty();
  }
  // For calls that return a handle through an out-parameter. Closes any held
  // handle first.
  HANDLE* Receive() {
    Close();
    return &handle_;
  }

 private:
  HANDLE handle_ = Traits::Empty();
};

// Handles whose failure value is INVALID_HANDLE_VALUE and that CloseHandle
// releases: files (CreateFileW), pipes, process snapshots
// (CreateToolhelp32Snapshot). Each kind has its own owner type.
template <int Kind>
struct InvalidIsEmptyTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
// Handles whose failure value is null: mutexes, events, processes, threads,
// tokens.
struct NullIsEmptyTraits {
  static HANDLE Empty() { return nullptr; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
// Directory enumerations of FindFirstFileW, closed with FindClose.
struct FindTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::FindClose(handle); }
};

using FileHandle = ScopedHandle<InvalidIsEmptyTraits<0>>;
using PipeHandle = ScopedHandle<InvalidIsEmptyTraits<1>>;
using SnapshotHandle = ScopedHandle<InvalidIsEmptyTraits<2>>;
using KernelHandle = ScopedHandle<NullIsEmptyTraits>;
using FindHandle = ScopedHandle<FindTraits>;

// Owns both handles of a process that CreateProcessW started.
class StartedProcess {
 public:
  StartedProcess() = default;
  ~StartedProcess() { Close(); }
  StartedProcess(StartedProcess&& other) noexcept : info_(std::exchange(other.info_, {})) {}
  StartedProcess& operator=(StartedProcess&& other) noexcept {
    if (this != &other) {
      Close();
      info_ = std::exchange(other.info_, {});
    }
    return *this;
  }
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;

  // For CreateProcessW. Closes what is held first; the record is zeroed, so
  // a failed start leaves nothing to close.
  PROCESS_INFORMATION* Receive() {
    Close();
    return &info_;
  }
  bool IsValid() const { return info_.hProcess != nullptr; }
  HANDLE Process() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  // Closes both handles; the process itself runs on.
  void Close() {
    if (info_.hThread)
      ::CloseHandle(info_.hThread);
    if (info_.hProcess)
      ::CloseHandle(info_.hProcess);
    info_ = {};
  }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Owners that only close what they hold.
struct RegKeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
struct LocalMemoryFreer {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
struct StdioFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
// An open registry key.
using RegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;
// A block from LocalAlloc.
using LocalMemory = std::unique_ptr<void, LocalMemoryFreer>;
// A C runtime stream. Where the close's outcome matters, close it with
// CloseStdioFile.
using StdioFile = std::unique_ptr<FILE, StdioFileCloser>;

// Opens |subkey| of |root| into |key|. Returns the Windows error; |key| is
// empty on failure.
inline LONG OpenRegKey(HKEY root, const wchar_t* subkey, REGSAM access, RegKey* key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(root, subkey, 0, access, &opened);
  key->reset(result == ERROR_SUCCESS ? opened : nullptr);
  return result;
}

// Creates or opens |subkey| of |root| into |key|, as OpenRegKey.
inline LONG CreateRegKey(HKEY root, const wchar_t* subkey, REGSAM access, RegKey* key) {
  HKEY opened = nullptr;
  const LONG result = ::RegCreateKeyExW(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &opened, nullptr);
  key->reset(result == ERROR_SUCCESS ? opened : nullptr);
  return result;
}

// Closes |file| (if any); false when flushing or closing failed.
inline bool CloseStdioFile(StdioFile* file) {
  FILE* held = file->release();
  return !held || std::fclose(held) == 0;
}

// Owns one reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Releases the interface now (the order of releases can matter).
  void Reset() {
    if (ptr_)
      ptr_->Release();
    ptr_ = nullptr;
  }
  // For CoCreateInstance and QueryInterface. Releases any held interface first.
  void** ReceiveVoid() {
    Reset();
    return reinterpret_cast<void**>(&ptr_);
  }

 private:
  T* ptr_ = nullptr;
};

// COM initialised on this thread (CoInitializeEx with |model|) for the
// owner's lifetime. Uninitialised at the end only when the initialisation
// succeeded, S_FALSE (the thread had it already) included: a failure (another
// apartment model chosen before) must not undo the other initialisation.
class ComInitialization {
 public:
  explicit ComInitialization(DWORD model) : result_(::CoInitializeEx(nullptr, model)) {}
  ~ComInitialization() {
    if (SUCCEEDED(result_))
      ::CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;

 private:
  HRESULT result_;
};

}  // namespace quillon

#endif  // QUILLON_SUPPORT_HANDLES_H_
