#include "tests/helpers/launcher_run.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

#include "tests/helpers/poll.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {

namespace {

constexpr DWORD kPollMs = 50;
// How long a pressed message box may stay up before OK is pressed again.
constexpr DWORD kRepressMs = 250;
constexpr wchar_t kAppDefaultsKey[] = L"Software\\Wine\\AppDefaults\\";

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Resumes every thread of process |pid| (a program started suspended).
void ResumeThreadsOf(DWORD pid) {
  KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  if (!snapshot.IsValid() || !::Thread32First(snapshot.Get(), &entry))
    return;
  do {
    if (entry.th32OwnerProcessID != pid)
      continue;
    KernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    if (thread.IsValid())
      ::ResumeThread(thread.Get());
  } while (::Thread32Next(snapshot.Get(), &entry));
}

bool EnsureFolder(const std::wstring& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr))
    return true;
  return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// "NAME=value" entries of this process's environment.
std::vector<std::wstring> CurrentEnvironment() {
  std::vector<std::wstring> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (!block)
    return entries;
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1)
    entries.emplace_back(p);
  ::FreeEnvironmentStringsW(block);
  return entries;
}

// The name part of "NAME=value". Entries such as "=C:=C:\" keep their leading "=".
std::wstring NameOf(const std::wstring& entry) {
  size_t equals = entry.find(L'=', 1);
  return equals == std::wstring::npos ? entry : entry.substr(0, equals);
}

// This process's environment with |options|' changes, as a block for CreateProcessW.
std::vector<wchar_t> EnvironmentBlock(const RunOptions& options) {
  std::vector<std::wstring> entries;
  for (const std::wstring& entry : CurrentEnvironment()) {
    std::wstring name = NameOf(entry);
    bool replaced = std::any_of(options.environment.begin(), options.environment.end(),
                                [&](const auto& v) { return SameName(v.first, name); });
    bool removed = std::any_of(options.unset.begin(), options.unset.end(),
                               [&](const std::wstring& n) { return SameName(n, name); });
    if (!replaced && !removed)
      entries.push_back(entry);
  }
  for (const auto& variable : options.environment)
    entries.push_back(variable.first + L"=" + variable.second);
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

std::wstring StickRoot() {
  wchar_t value[16] = {};
  DWORD len = ::GetEnvironmentVariableW(L"QUILLON_STICK", value, 16);
  if (len < 2 || len > 3 || !std::iswalpha(value[0]) || value[1] != L':')
    return std::wstring();
  if (len == 3 && value[2] != L'\\')
    return std::wstring();
  return std::wstring{static_cast<wchar_t>(std::towupper(value[0])), L':', L'\\'};
}

bool ClearStick() {
  std::wstring root = StickRoot();
  if (root.empty())
    return false;
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW((root + L"*").c_str(), &data));
  if (find.IsValid()) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..")
        RemoveTree(root + name);
    } while (::FindNextFileW(find.Get(), &data));
  }
  find.Close();
  return ListFilesBelow(root.substr(0, 2)).empty();
}

bool WriteStickSettings(const std::string& contents) {
  std::wstring root = StickRoot();
  if (root.empty() || !EnsureFolder(root + L".cfg"))
    return false;
  return WriteText(root + L".cfg\\Setting.ini", contents);
}

std::string SettingsWith(std::initializer_list<const char*> lines) {
  std::string text = "[Quillon]\r\n";
  for (const char* line : lines)
    text += std::string(line) + "\r\n";
  return text;
}

bool CopyToStick(const std::wstring& from,
                 const std::wstring& name,
                 const std::wstring& subfolder) {
  std::wstring root = StickRoot();
  if (root.empty())
    return false;
  std::wstring folder = subfolder.empty() ? root : root + subfolder + L"\\";
  if (!subfolder.empty() && !EnsureFolder(root + subfolder))
    return false;
  std::wstring source = from;
  if (!source.empty() && source.back() != L'\\')
    source += L'\\';
  return ::CopyFileW((source + name).c_str(), (folder + name).c_str(), FALSE) != 0;
}

std::wstring InstallLauncherOnStick(const std::wstring& subfolder) {
  if (!CopyToStick(ProgramFolder(), L"Quillon.exe", subfolder))
    return std::wstring();
  std::wstring root = StickRoot();
  return subfolder.empty() ? root + L"Quillon.exe" : root + subfolder + L"\\Quillon.exe";
}

bool PrepareStick() {
  return ClearStick() && !InstallLauncherOnStick().empty();
}

bool SetWineVersion(const std::wstring& version) {
  RegKey key;
  std::wstring path = std::wstring(kAppDefaultsKey) + L"Quillon.exe";
  if (CreateRegKey(HKEY_CURRENT_USER, path.c_str(), KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD bytes = static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), L"Version", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(version.c_str()), bytes) == ERROR_SUCCESS;
}

bool ClearWineVersion() {
  return ClearWineAppDefaults(L"Quillon.exe");
}

bool SetWineNativeLibraries(const std::wstring& program,
                            std::initializer_list<const wchar_t*> libraries) {
  RegKey key;
  std::wstring path = std::wstring(kAppDefaultsKey) + program + L"\\DllOverrides";
  if (CreateRegKey(HKEY_CURRENT_USER, path.c_str(), KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  static const wchar_t kNativeFirst[] = L"native,builtin";
  for (const wchar_t* library : libraries) {
    if (::RegSetValueExW(key.get(), library, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                         sizeof(kNativeFirst)) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

bool ClearWineAppDefaults(const std::wstring& program) {
  std::wstring path = std::wstring(kAppDefaultsKey) + program;
  LONG result = ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  if (result == ERROR_FILE_NOT_FOUND)
    return true;
  // RegDeleteTreeW leaves the key itself behind on some systems.
  result = ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::vector<DWORD> ProcessesNamed(std::initializer_list<const wchar_t*> names) {
  std::vector<DWORD> found;
  SnapshotHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return found;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() &&
        std::any_of(names.begin(), names.end(),
                    [&](const wchar_t* name) { return SameName(entry.szExeFile, name); })) {
      found.push_back(entry.th32ProcessID);
    }
  }
  return found;
}

int KillProcessesNamed(std::initializer_list<const wchar_t*> names) {
  int killed = 0;
  for (DWORD id : ProcessesNamed(names)) {
    KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process.IsValid() && ::TerminateProcess(process.Get(), 1)) {
      ::WaitForSingleObject(process.Get(), 5000);
      ++killed;
    }
  }
  return killed;
}

MutexHolder::MutexHolder(std::vector<std::wstring> names, const std::wstring& program) {
  std::wstring ready_name = UniqueName(L"QuillonTestReady");
  std::wstring quit_name = UniqueName(L"QuillonTestQuit");
  KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  quit_.Reset(::CreateEventW(nullptr, TRUE, FALSE, quit_name.c_str()));
  if (!ready.IsValid() || !quit_.IsValid())
    return;

  std::wstring exe = program.empty() ? ProgramFolder() + L"mutex_holder.exe" : program;
  std::wstring command =
      L"\"" + exe + L"\" --ready " + ready_name + L" --quit " + quit_name + L" --seconds 120";
  for (const std::wstring& name : names)
    command += L" " + name;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  StartedProcess started;
  if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, started.Receive()))
    return;
  process_ = std::move(started);

  HANDLE waits[2] = {ready.Get(), process_.Process()};
  DWORD which = ::WaitForMultipleObjects(2, waits, FALSE, 10000);
  if (which != WAIT_OBJECT_0)
    return;
  // The holder reports a name it could not take (or found taken) by its exit
  // code at the end; check each name now instead.
  holding_ = true;
  for (const std::wstring& name : names) {
    KernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    if (!mutex.IsValid())
      holding_ = false;
  }
}

MutexHolder::~MutexHolder() {
  if (quit_.IsValid())
    ::SetEvent(quit_.Get());
  if (process_.IsValid() && ::WaitForSingleObject(process_.Process(), 5000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.Process(), 1);
    ::WaitForSingleObject(process_.Process(), 5000);
  }
}

size_t RunResult::CountBoxes(const std::wstring& text) const {
  return static_cast<size_t>(std::count_if(
      boxes.begin(), boxes.end(), [&](const MessageBoxSeen& box) { return box.text == text; }));
}

std::string RunResult::Describe() const {
  std::string out = "launcher run: ";
  if (!started)
    return out + "not started, error " + std::to_string(start_error);
  out += timed_out ? "killed after time-out" : "exit code " + std::to_string(exit_code);
  out += ", " + std::to_string(elapsed_ms) + " ms, " + std::to_string(boxes.size()) +
         " message box(es), " + std::to_string(windows.size()) + " window(s)";
  for (const WindowInfo& window : windows)
    out += "\n  " + window.Describe();
  return out;
}

LauncherProcess::LauncherProcess(RunOptions options) : options_(std::move(options)) {
  start_tick_ = ::GetTickCount();
  if (options_.attach_to != 0) {
    PROCESS_INFORMATION* info = process_.Receive();
    info->hProcess = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE,
                                   FALSE, options_.attach_to);
    info->dwProcessId = options_.attach_to;
    // A launcher that ended before it could be watched (the silent ends)
    // counts as a run that ended without a window.
    result_.started = true;
    ended_ = info->hProcess == nullptr;
    if (!ended_) {
      robot_ = std::make_unique<UiRobot>(options_.attach_to);
      ResumeThreadsOf(options_.attach_to);
    }
    return;
  }
  std::wstring launcher =
      options_.launcher.empty() ? StickRoot() + L"Quillon.exe" : options_.launcher;
  std::wstring command = L"\"" + launcher + L"\"";
  if (!options_.arguments.empty())
    command += L" " + options_.arguments;
  std::vector<wchar_t> environment = EnvironmentBlock(options_);
  // The launcher starts in its own folder, as from a file manager.
  std::wstring folder = launcher.substr(0, launcher.find_last_of(L'\\') + 1);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  start_tick_ = ::GetTickCount();
  if (!::CreateProcessW(launcher.c_str(), &command[0], nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        folder.empty() ? nullptr : folder.c_str(), &startup, process_.Receive())) {
    result_.start_error = ::GetLastError();
    ended_ = true;
    return;
  }
  result_.started = true;
  robot_ = std::make_unique<UiRobot>(process_.Id());
}

LauncherProcess::~LauncherProcess() {
  if (process_.IsValid() && !ended_) {
    ::TerminateProcess(process_.Process(), 0xDEAD);
    ::WaitForSingleObject(process_.Process(), 5000);
  }
}

bool LauncherProcess::Step() {
  if (ended_)
    return true;
  for (WindowInfo& window : robot_->Poll()) {
    result_.windows.push_back(window);
    if (window.is_message_box)
      result_.boxes.push_back({window.caption, window.text});
    bool handled = options_.on_window && options_.on_window(window);
    if (!handled && window.is_message_box) {
      PressButton(window.window, IDOK);
      pressed_.push_back({window.window, ::GetTickCount()});
    }
  }
  // A press that came too early to be taken is repeated while the box stays up.
  for (Pressed& box : pressed_) {
    if (box.box && ::GetTickCount() - box.tick >= kRepressMs) {
      if (::IsWindow(box.box) && ::IsWindowVisible(box.box)) {
        PressButton(box.box, IDOK);
        box.tick = ::GetTickCount();
      } else {
        box.box = nullptr;
      }
    }
  }
  if (::WaitForSingleObject(process_.Process(), kPollMs) == WAIT_OBJECT_0) {
    ended_ = true;
    result_.elapsed_ms = ::GetTickCount() - start_tick_;
    ::GetExitCodeProcess(process_.Process(), &result_.exit_code);
  }
  return ended_;
}

bool LauncherProcess::WatchUntil(const std::function<bool(const RunResult&)>& done,
                                 DWORD timeout_ms) {
  PollUntil("what the test waits for", timeout_ms, [&] { return done(result_) || Step(); });
  return done(result_);
}

RunResult LauncherProcess::Finish() {
  const DWORD so_far = ::GetTickCount() - start_tick_;
  const DWORD left = so_far < options_.timeout_ms ? options_.timeout_ms - so_far : 0;
  if (!PollUntil("the launcher's end", left, [&] { return Step(); })) {
    result_.timed_out = true;
    ::TerminateProcess(process_.Process(), 0xDEAD);
    ::WaitForSingleObject(process_.Process(), 5000);
    ended_ = true;
    result_.elapsed_ms = ::GetTickCount() - start_tick_;
    ::GetExitCodeProcess(process_.Process(), &result_.exit_code);
  }
  return result_;
}

RunResult RunLauncher(const RunOptions& options) {
  return LauncherProcess(options).Finish();
}

}  // namespace quillon::helpers
