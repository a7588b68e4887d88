// Starting the test-build launcher from a stick as a user would, and watching
// what it shows. The stick is the drive named by the environment variable
// QUILLON_STICK (for example "S:"), which the test harness maps to an empty
// folder; the tests lay it out themselves and clear it first.
//
//   ASSERT_TRUE(PrepareStick());
//   RunResult r = RunLauncher(RunOptions());
//   EXPECT_EQ(r.boxes.size(), 1u) << r.Describe();
#ifndef QUILLON_TESTS_HELPERS_LAUNCHER_RUN_H_
#define QUILLON_TESTS_HELPERS_LAUNCHER_RUN_H_

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/handles.h"
#include "tests/helpers/test_files.h"
#include "tests/helpers/ui_robot.h"

namespace quillon::helpers {

// ---- The stick ----

// The stick's root ("S:\") from QUILLON_STICK; empty when the variable is
// unset or not a drive ("X:" or "X:\").
std::wstring StickRoot();
// Deletes everything below the stick's root. False when something stayed.
bool ClearStick();
// Writes <stick>\.cfg\Setting.ini with |contents| as they are (bytes).
bool WriteStickSettings(const std::string& contents);
// The usual settings file: section Quillon with the given lines ("Key=Value").
std::string SettingsWith(std::initializer_list<const char*> lines);
// Copies the test-build Quillon.exe from the test program's folder to
// <stick>\<subfolder>\Quillon.exe (subfolder empty: the root), creating the
// subfolder. Returns the copy's path, or empty on failure.
std::wstring InstallLauncherOnStick(const std::wstring& subfolder = std::wstring());
// Copies the file |name| from the folder |from| to <stick>\<subfolder>\.
bool CopyToStick(const std::wstring& from,
                 const std::wstring& name,
                 const std::wstring& subfolder = std::wstring());
// The stick, emptied and with Quillon.exe at its root: the usual start.
bool PrepareStick();

// ---- Wine's per-program Windows version ----

// Sets HKCU\Software\Wine\AppDefaults\Quillon.exe, value Version, which Wine
// reads when a program of that name starts ("winxp", "vista", "win7", ...).
bool SetWineVersion(const std::wstring& version);
// Deletes that key (with the library overrides below), so that the prefix's
// own settings apply again.
bool ClearWineVersion();
// Makes Wine prefer native copies of |libraries| ("version", "uxtheme") for
// the program |program| ("Quillon.exe"): the key
// HKCU\Software\Wine\AppDefaults\<program>\DllOverrides, value <library> =
// "native,builtin". A program reads
// them when it starts. (WINEDLLOVERRIDES can't do this per child: Wine takes
// it from the Unix environment, not from the environment a program passes to
// CreateProcessW.)
bool SetWineNativeLibraries(const std::wstring& program,
                            std::initializer_list<const wchar_t*> libraries);
// Deletes HKCU\Software\Wine\AppDefaults\<program> with everything in it.
bool ClearWineAppDefaults(const std::wstring& program);

// ---- Processes ----

// The IDs of the processes whose executable name is one of |names|
// (case-insensitive), other than this one.
std::vector<DWORD> ProcessesNamed(std::initializer_list<const wchar_t*> names);
// Terminates those processes. Returns how many were ended.
int KillProcessesNamed(std::initializer_list<const wchar_t*> names);

// Holds the product's named mutexes in a separate process (mutex_holder.exe
// from the test program's folder) for the object's lifetime, as the product's
// other programs would.
class MutexHolder {
 public:
  // Starts the holder and waits (at most 10 s) until it holds |names|.
  // |program| is a copy of mutex_holder.exe to start instead (under another
  // image name); empty: the one in the test program's folder.
  explicit MutexHolder(std::vector<std::wstring> names, const std::wstring& program = L"");
  // Tells the holder to let go and waits for its end (killing it after 5 s).
  ~MutexHolder();
  MutexHolder(const MutexHolder&) = delete;
  MutexHolder& operator=(const MutexHolder&) = delete;

  // True when the holder runs and holds every name.
  bool holding() const { return holding_; }

 private:
  bool holding_ = false;
  StartedProcess process_;
  KernelHandle quit_;
};

// ---- A launcher run ----

struct RunOptions {
  // The program to start; empty: <stick>\Quillon.exe.
  std::wstring launcher;
  // Not 0: nothing is started; the launcher of this process ID (started by
  // another program, perhaps suspended) is resumed and watched instead.
  DWORD attach_to = 0;
  // Appended to the command line after the quoted program path (the launcher
  // itself reads no arguments; other programs started this way may).
  std::wstring arguments;
  // Variables set (or replaced) in the launcher's environment, which is
  // otherwise this process's, e.g. {L"QUILLON_TEST_NATIVE32", L"1"}.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  // Variables removed from it.
  std::vector<std::wstring> unset;
  // Overall bound; past it the launcher is killed and the run fails.
  DWORD timeout_ms = 30000;
  // Called for each new window (message box or dialog) of the launcher. It
  // returns true when it has handled the window; otherwise message boxes get
  // OK pressed and other windows are left alone.
  std::function<bool(const WindowInfo&)> on_window;
};

struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
};

struct RunResult {
  bool started = false;
  DWORD start_error = 0;  // GetLastError of CreateProcessW when not started
  bool timed_out = false;
  DWORD exit_code = 0;
  DWORD elapsed_ms = 0;
  std::vector<MessageBoxSeen> boxes;  // every message box, in order
  std::vector<WindowInfo> windows;    // every window, message boxes included

  // True when the launcher ran to its own end within the bound.
  bool Ended() const { return started && !timed_out; }
  // Number of message boxes whose text is |text|.
  size_t CountBoxes(const std::wstring& text) const;
  // Everything above, one line per item, for failure messages.
  std::string Describe() const;
};

// A launcher started and watched: its new windows are read and answered
// (see RunOptions::on_window) while the caller waits for something.
class LauncherProcess {
 public:
  // Starts the launcher; result().started tells whether it did.
  explicit LauncherProcess(RunOptions options);
  ~LauncherProcess();  // kills a launcher that still runs
  LauncherProcess(const LauncherProcess&) = delete;
  LauncherProcess& operator=(const LauncherProcess&) = delete;

  // Watches until |done| holds for what has been seen so far (true), or the
  // launcher ends or |timeout_ms| pass (false).
  bool WatchUntil(const std::function<bool(const RunResult&)>& done, DWORD timeout_ms);
  // Watches until the launcher ends, killing it past the run's bound, and
  // returns everything seen.
  RunResult Finish();
  const RunResult& result() const { return result_; }

 private:
  // One round: new windows read and answered, pending presses repeated, then
  // at most 50 ms of waiting for the end. True when the launcher has ended.
  bool Step();

  RunOptions options_;
  RunResult result_;
  StartedProcess process_;
  DWORD start_tick_ = 0;
  struct Pressed {
    HWND box;
    DWORD tick;
  };
  std::vector<Pressed> pressed_;
  std::unique_ptr<UiRobot> robot_;
  bool ended_ = false;
};

// Starts the launcher, answers its windows and waits for its end, polling
// every 50 ms up to the bound.
RunResult RunLauncher(const RunOptions& options);

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_LAUNCHER_RUN_H_
