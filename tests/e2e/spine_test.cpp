// End-to-end tests of the start's guards: the launcher runs from the stick
// drive under Wine, and the tests see what a user would see (its message
// boxes and windows, its exit, the per-user data folder). Wine varies the
// reported Windows version per program; the test-build launcher takes the
// native bitness from QUILLON_TEST_NATIVE32.
#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "support/handles.h"
#include "tests/e2e/end_to_end_test.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

const wchar_t kCaption[] = L"Vaultine(RC)";
const wchar_t kTextWinver[] = L"The version of Windows doesn't correspond.(RC)";
const wchar_t kTextVt6[] = L"共存できないディスクが動作しています。(RC)";

// A guard that ends a start at once must do so well within the run's bound.
constexpr DWORD kQuickEndMs = 10000;

using SpineTest = EndToEndTest;

TEST_F(SpineTest, PreviousGenerationShowsOneMessage) {
  MutexHolder previous_generation({L"_OstrelVT_Mutex"});
  ASSERT_TRUE(previous_generation.holding());
  // The previous-generation guard comes before the version gate.
  ASSERT_TRUE(SetWineVersion(L"win2k"));

  RunResult r = RunLauncher(RunOptions());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  ASSERT_EQ(r.boxes.size(), 1u) << r.Describe();
  EXPECT_EQ(r.boxes[0].caption, kCaption) << r.Describe();
  EXPECT_EQ(r.boxes[0].text, kTextVt6) << r.Describe();
  EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
}

// A second launcher started while the first still runs ends at once, without
// a window of its own, wherever the first one is held: at the version gate's
// message, in the wait window, at the deployment's result once it has written
// every component (an old shortcut held open gives 732). Only the first one
// deploys.
TEST_F(SpineTest, SecondLauncherEndsWhileTheFirstRuns) {
  const struct {
    const char* name;
    const wchar_t* wine_version;
    std::vector<std::wstring> mutexes;  // held during both starts
    bool held_shortcut;
    const wchar_t* message;  // the first's message box; null: the wait window
  } rows[] = {
      {"AtTheVersionGate", L"win2k", {}, false, kTextWinver},
      {"InTheWaitWindow", L"win7", {L"_OstrelVT7_Mutex", L"_VaultineStart_"}, false, nullptr},
      {"AtTheDeploymentsResult", L"win7", {}, true, L"Some errors occurred.(RC)(732)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(ClearDataFolder());
    ASSERT_TRUE(SetWineVersion(row.wine_version));
    std::unique_ptr<MutexHolder> held;
    if (!row.mutexes.empty()) {
      held = std::make_unique<MutexHolder>(row.mutexes);
      ASSERT_TRUE(held->holding());
    }
    FileHandle shortcut;
    if (row.held_shortcut) {
      ASSERT_TRUE(::CreateDirectoryW(data_.c_str(), nullptr));
      ASSERT_TRUE(WriteText(data_ + L"\\Quillon.lnk", "old"));
      shortcut.Reset(::CreateFileW((data_ + L"\\Quillon.lnk").c_str(), GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(shortcut.IsValid());
    }
    RunOptions first_options;
    // The first launcher's window stays up until the test answers it.
    first_options.on_window = [](const WindowInfo&) { return true; };
    LauncherProcess first(first_options);
    ASSERT_TRUE(first.WatchUntil([](const RunResult& r) { return !r.windows.empty(); }, 20000))
        << first.result().Describe();

    RunResult second = RunLauncher(RunOptions());
    ASSERT_TRUE(second.Ended()) << second.Describe();
    EXPECT_EQ(second.exit_code, 0u) << second.Describe();
    EXPECT_TRUE(second.windows.empty()) << second.Describe();
    EXPECT_LT(second.elapsed_ms, kQuickEndMs) << second.Describe();

    // OK or cancel, pressed again should the first press come too early to be taken.
    HWND window = first.result().windows[0].window;
    const int button = row.message ? IDOK : IDCANCEL;
    EXPECT_TRUE(PollUntil("the first launcher's window to take the press", 10000, [&] {
      return !PressButton(window, button) || WaitForWindowGone(window, 1000);
    }));
    RunResult r = first.Finish();
    ASSERT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
    if (row.message) {
      EXPECT_EQ(r.CountBoxes(row.message), 1u) << r.Describe();
    }
    EXPECT_FALSE(ViewerStarted());
  }
}

// ---- The Windows-version gate: one start per outcome ----

struct GateStart {
  const char* name;
  const wchar_t* wine_version;
  bool native32;
  const char* settings;  // Setting.ini; null: no file
  bool refused;
};

std::ostream& operator<<(std::ostream& out, const GateStart& c) {
  return out << c.name;
}

class VersionGateTest : public SpineTest, public ::testing::WithParamInterface<GateStart> {};

TEST_P(VersionGateTest, RefusesWithOneMessageOrGoesOn) {
  const GateStart& c = GetParam();
  if (c.settings) {
    ASSERT_TRUE(WriteStickSettings(c.settings));
  }
  ASSERT_TRUE(SetWineVersion(c.wine_version));
  RunOptions options;
  options.environment.push_back({L"QUILLON_TEST_NATIVE32", c.native32 ? L"1" : L"0"});
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  if (c.refused) {
    ASSERT_EQ(r.boxes.size(), 1u) << r.Describe();
    EXPECT_EQ(r.boxes[0].caption, kCaption) << r.Describe();
    EXPECT_EQ(r.boxes[0].text, kTextWinver) << r.Describe();
    EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
  } else {
    EXPECT_EQ(r.boxes.size(), 0u) << r.Describe();
    EXPECT_TRUE(ViewerStarted()) << r.Describe();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes,
    VersionGateTest,
    ::testing::Values(
        // A supported system: the settings file (here asking for the check) isn't read.
        GateStart{"Supported", L"win7", false, "[Quillon]\r\nVersion_check=Enable\r\n", false},
        GateStart{"UnsupportedWithoutSettings", L"vista", false, nullptr, true},
        GateStart{"UnsupportedLiftedByTheStick", L"vista", false,
                  "[Quillon]\r\nVersion_check=dIsAbLe\r\n", false}),
    [](const ::testing::TestParamInfo<GateStart>& info) { return std::string(info.param.name); });

// The stick's settings are found from the drive letter of the launcher's own
// path, also when it was started from a folder on the stick.
TEST_F(SpineTest, SettingsComeFromTheStickRootForLauncherInSubfolder) {
  const std::wstring launcher = InstallLauncherOnStick(L"Quillon Start");
  ASSERT_FALSE(launcher.empty());
  ASSERT_TRUE(SetWineVersion(L"win2003"));
  for (bool lifted : {false, true}) {
    SCOPED_TRACE(lifted ? "Version_check=Disable at the stick's root" : "no settings file");
    if (lifted) {
      ASSERT_TRUE(WriteStickSettings(SettingsWith({"Version_check=Disable"})));
    }
    RunOptions options;
    options.launcher = launcher;
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(r.CountBoxes(kTextWinver), lifted ? 0u : 1u) << r.Describe();
    EXPECT_EQ(ViewerStarted(), lifted);
  }
}

// ---- The busy stick ----

// The data folder is removed before the start, so any file in it is the start's.
TEST_F(SpineTest, BusyStickEndsSilentlyWithoutTheStartMutex) {
  MutexHolder busy({L"_OstrelVT7_Mutex"});
  ASSERT_TRUE(busy.holding());

  RunResult r = RunLauncher(RunOptions());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  EXPECT_TRUE(r.windows.empty()) << r.Describe();
  EXPECT_LT(r.elapsed_ms, kQuickEndMs) << r.Describe();
  EXPECT_TRUE(ListFilesBelow(ProductDataFolder()).empty()) << "the start deployed";
}

// ---- Libraries planted beside the launcher ----

const wchar_t* const kPlantedLibraries[] = {L"uxtheme.dll", L"version.dll"};

// Copies the planted libraries into |subfolder| of the stick.
::testing::AssertionResult PlantLibraries(const std::wstring& subfolder) {
  for (const wchar_t* name : kPlantedLibraries) {
    if (!CopyToStick(ProgramFolder() + L"planted", name, subfolder))
      return ::testing::AssertionFailure() << "can't copy " << Narrow(name);
  }
  return ::testing::AssertionSuccess();
}

// The marker files that a loaded planted library leaves beside itself.
std::vector<std::wstring> MarkersIn(const std::wstring& folder) {
  std::vector<std::wstring> found;
  for (const wchar_t* name : kPlantedLibraries) {
    std::wstring marker = folder + name + L".loaded";
    if (FileExists(marker))
      found.push_back(marker);
  }
  return found;
}

std::string Joined(const std::vector<std::wstring>& items) {
  std::string out;
  for (const std::wstring& item : items)
    out += Narrow(item) + " ";
  return out;
}

// Native libraries first for |program|, so that a planted copy would win
// wherever the library search reaches the program's folder.
::testing::AssertionResult PreferPlantedLibraries(const std::wstring& program,
                                                  std::initializer_list<const wchar_t*> names) {
  if (!SetWineNativeLibraries(program, names))
    return ::testing::AssertionFailure() << "can't set Wine's library overrides";
  return ::testing::AssertionSuccess();
}

// The markers can be seen: a program that loads libraries by plain name picks
// the planted ones up from its own folder.
TEST_F(SpineTest, PlantedLibrariesAreSeenWhenAProgramLoadsThem) {
  ASSERT_TRUE(PlantLibraries(std::wstring()));
  ASSERT_TRUE(CopyToStick(ProgramFolder() + L"planted", L"dll_probe.exe"));
  ASSERT_TRUE(PreferPlantedLibraries(L"dll_probe.exe", {L"uxtheme", L"version"}));
  RunOptions options;
  options.launcher = StickRoot() + L"dll_probe.exe";
  options.arguments = L"uxtheme.dll version.dll";
  RunResult r = RunLauncher(options);
  ClearWineAppDefaults(L"dll_probe.exe");
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  EXPECT_EQ(MarkersIn(StickRoot()).size(), 2u) << Joined(MarkersIn(StickRoot())) << r.Describe();
}

struct PlantedCase {
  const char* name;
  const wchar_t* subfolder;     // where Quillon.exe and the libraries lie
  const wchar_t* held_mutex;    // null: none
  const wchar_t* wine_version;  // the Windows that Wine reports
};

std::ostream& operator<<(std::ostream& out, const PlantedCase& c) {
  return out << c.name;
}

class PlantedLibrariesTest : public SpineTest, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedLibrariesTest, LauncherNeverLoadsThem) {
  const PlantedCase& c = GetParam();
  SCOPED_TRACE(c.name);
  std::wstring folder = StickRoot();
  RunOptions options;
  if (c.subfolder[0] != L'\0') {
    options.launcher = InstallLauncherOnStick(c.subfolder);
    ASSERT_FALSE(options.launcher.empty());
    folder += std::wstring(c.subfolder) + L"\\";
  }
  ASSERT_TRUE(PlantLibraries(c.subfolder));
  ASSERT_TRUE(SetWineVersion(c.wine_version));
  // Vista passes the version gate as a 32-bit system.
  options.environment.push_back({L"QUILLON_TEST_NATIVE32", L"1"});
  // Only uxtheme: Wine's own user32 imports version.dll, so a native-first
  // version.dll beside any program is loaded by Wine before the program's
  // first instruction, whatever the program does.
  ASSERT_TRUE(PreferPlantedLibraries(L"Quillon.exe", {L"uxtheme"}));
  std::unique_ptr<MutexHolder> holder;
  if (c.held_mutex) {
    holder = std::make_unique<MutexHolder>(std::vector<std::wstring>{c.held_mutex});
    ASSERT_TRUE(holder->holding());
  }

  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(MarkersIn(folder).empty()) << Joined(MarkersIn(folder)) << "\n" << r.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Starts,
    PlantedLibrariesTest,
    ::testing::Values(PlantedCase{"FullStart", L"", nullptr, L"win7"},
                      PlantedCase{"FullStartFromFolderWithBlanks", L"Quillon Start", nullptr,
                                  L"win7"},
                      PlantedCase{"MessageBox", L"", L"_OstrelVT_Mutex", L"win7"},
                      // Vista keeps the library search unrestricted.
                      PlantedCase{"FullStartOnVista", L"", nullptr, L"vista"}),
    [](const ::testing::TestParamInfo<PlantedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::helpers
