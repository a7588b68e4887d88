// Starts the launcher once for the demo and writes what the start did to a
// report: its exit, every window it showed (message boxes get OK pressed, as
// a user would) and the files in the per-user data folder afterwards.
//
//   demo_driver.exe --report FILE [--shots FOLDER] [--timeout SECONDS] LAUNCHER
//
// With --shots, the driver asks for a screenshot whenever a new window of the
// launcher is up: it creates FOLDER\shot-N.request and waits (at most 10 s)
// for FOLDER\shot-N.done, which tools/demo.sh writes after taking the picture.
// Exit code: 0 when the launcher ended by itself, 1 when it was killed after
// the time-out, 2 for a bad command line or a launcher that didn't start.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/helpers/launcher_run.h"
#include "tests/helpers/test_files.h"

using namespace quillon::helpers;

namespace {

struct Options {
  std::wstring report;
  std::wstring shots;
  DWORD timeout_ms = 60000;
  std::wstring launcher;
};

bool ParseCommandLine(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == L"--report" && has_value) {
      options->report = argv[++i];
    } else if (arg == L"--shots" && has_value) {
      options->shots = argv[++i];
    } else if (arg == L"--timeout" && has_value) {
      unsigned long seconds = std::wcstoul(argv[++i], nullptr, 10);
      if (seconds == 0 || seconds > 3600)
        return false;
      options->timeout_ms = seconds * 1000;
    } else if (options->launcher.empty() && !arg.empty() && arg[0] != L'-') {
      options->launcher = arg;
    } else {
      return false;
    }
  }
  return !options->report.empty() && !options->launcher.empty();
}

// Asks tools/demo.sh for screenshot |number| and waits until it was taken.
void RequestScreenshot(const std::wstring& folder, int number) {
  std::wstring base = folder + L"\\shot-" + std::to_wstring(number);
  WriteText(base + L".request", "");
  for (int waited = 0; waited < 10000 && !FileExists(base + L".done"); waited += 50)
    ::Sleep(50);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseCommandLine(argc, argv, &options)) {
    std::fwprintf(stderr,
                  L"usage: demo_driver --report FILE [--shots FOLDER] [--timeout SECONDS] "
                  L"LAUNCHER\n");
    return 2;
  }

  int shots = 0;
  RunOptions run;
  run.launcher = options.launcher;
  run.timeout_ms = options.timeout_ms;
  run.on_window = [&](const WindowInfo&) {
    // Let the window paint before the picture; the default answer follows.
    ::Sleep(500);
    if (!options.shots.empty())
      RequestScreenshot(options.shots, ++shots);
    return false;
  };
  RunResult result = RunLauncher(run);

  std::string report;
  report += "launcher: " + Narrow(options.launcher) + "\n";
  if (!result.started) {
    report += "not started: error " + std::to_string(result.start_error) + "\n";
  } else if (result.timed_out) {
    report += "did not end within " + std::to_string(options.timeout_ms / 1000) + " s: killed\n";
  } else {
    report += "exit code: " + std::to_string(result.exit_code) + " after " +
              std::to_string(result.elapsed_ms) + " ms\n";
  }
  report += "message boxes: " + std::to_string(result.boxes.size()) + "\n";
  for (const MessageBoxSeen& box : result.boxes)
    report += "  \"" + Narrow(box.caption) + "\": " + Narrow(box.text) + "\n";
  report += "windows: " + std::to_string(result.windows.size()) + "\n";
  for (const WindowInfo& window : result.windows)
    report += "  " + window.Describe() + "\n";
  std::wstring data = ProductDataFolder();
  std::vector<std::wstring> files = ListFilesBelow(data);
  report +=
      "per-user data folder " + Narrow(data) + ": " + std::to_string(files.size()) + " file(s)\n";
  for (const std::wstring& file : files)
    report += "  " + Narrow(file) + "\n";

  if (!WriteText(options.report, report))
    std::fwprintf(stderr, L"can't write the report\n");
  if (!result.started)
    return 2;
  return result.timed_out ? 1 : 0;
}
