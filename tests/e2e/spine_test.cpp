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
#include "tests/support/launcher_run.h"
#include "tests/support/test_files.h"

namespace quillon::testing {
namespace {

const wchar_t kCaption[] = L"Vaultine(RC)";
const wchar_t kTextWinver[] = L"The version of Windows doesn't correspond.(RC)";
const wchar_t kTextVt6[] = L"共存できないディスクが動作しています。(RC)";

// A guard that ends a start at once must do so well within the run's bound.
constexpr DWORD kQuickEndMs = 10000;

class SpineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (StickRoot().empty())
      GTEST_SKIP() << "QUILLON_STICK is not set: run through tools/test.sh";
    EndLeftovers();
    ASSERT_TRUE(ClearWineVersion());
    ASSERT_TRUE(PrepareStick()) << "stick " << Narrow(StickRoot());
  }

  void TearDown() override {
    if (StickRoot().empty())
      return;
    ClearWineVersion();
    EndLeftovers();
  }

  // Processes that a failed or killed run may leave behind: launchers, the
  // mutex holders, the probe and the viewer that a deployment starts.
  static void EndLeftovers() {
    KillProcessesNamed({L"Quillon.exe", L"mutex_holder.exe", L"dll_probe.exe", L"Portico.exe"});
  }
};

TEST_F(SpineTest, SecondLauncherEndsAtOnceWithoutWindow) {
  MutexHolder first_launcher({L"_OstrelVT7_Mutex2"});
  ASSERT_TRUE(first_launcher.holding());
  // The instance guard comes first: not even the version gate's refusal shows.
  ASSERT_TRUE(SetWineVersion(L"win2k"));

  RunResult r = RunLauncher(RunOptions());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  EXPECT_TRUE(r.windows.empty()) << r.Describe();
  EXPECT_LT(r.elapsed_ms, kQuickEndMs) << r.Describe();
}

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

// ---- The Windows-version gate ----

struct WindowsVersion {
  const wchar_t* wine_name;
  const char* reported;  // what Wine reports to the launcher
  bool open_on_32bit;    // the gate lets the start go on without the settings file
  bool open_on_64bit;
};

const WindowsVersion kVersions[] = {
    {L"win2k", "5.0", false, false},   {L"winxp", "5.1", true, false},
    {L"win2003", "5.2", false, false}, {L"vista", "6.0", true, false},
    {L"win7", "6.1", true, true},      {L"win8", "6.2", true, true},
    {L"win81", "6.2", true, true},     {L"win10", "6.2", true, true},
};

struct VersionCheckSetting {
  const char* name;
  const char* settings;  // Setting.ini's contents; null: no file at all
  bool lifts_gate;
};

const VersionCheckSetting kSettings[] = {
    {"NoSettingsFile", nullptr, false},
    {"Disable", "[Quillon]\r\nVersion_check=Disable\r\n", true},
    {"MixedCaseDisable", "[Quillon]\r\nVersion_check=dIsAbLe\r\n", true},
    {"Enable", "[Quillon]\r\nVersion_check=Enable\r\n", false},
};

// Settings that don't lift the gate either, tried where the gate is closed on
// 64-bit Windows.
const VersionCheckSetting kMoreRefusingSettings[] = {
    {"Empty", "[Quillon]\r\nVersion_check=\r\n", false},
    {"OtherSection", "[Portico]\r\nVersion_check=Disable\r\n", false},
    {"DisableWithSuffix", "[Quillon]\r\nVersion_check=Disabled\r\n", false},
};

struct GateCase {
  WindowsVersion version;
  bool native32;
  VersionCheckSetting setting;

  bool OpenWithoutSettings() const {
    return native32 ? version.open_on_32bit : version.open_on_64bit;
  }
  bool ExpectOpen() const { return OpenWithoutSettings() || setting.lifts_gate; }
};

std::ostream& operator<<(std::ostream& out, const GateCase& c) {
  return out << Narrow(c.version.wine_name) << " (" << c.version.reported << "), "
             << (c.native32 ? "32" : "64") << "-bit, settings " << c.setting.name << ": gate "
             << (c.ExpectOpen() ? "open" : "refuses");
}

// Every version and bitness with each setting of kSettings, and the versions
// whose gate is closed on 64-bit Windows also with kMoreRefusingSettings.
std::vector<GateCase> AllGateCases() {
  std::vector<GateCase> cases;
  for (const WindowsVersion& version : kVersions) {
    for (bool native32 : {true, false}) {
      for (const VersionCheckSetting& setting : kSettings)
        cases.push_back({version, native32, setting});
      GateCase closed{version, native32, {}};
      if (native32 || closed.OpenWithoutSettings())
        continue;
      for (const VersionCheckSetting& setting : kMoreRefusingSettings)
        cases.push_back({version, native32, setting});
    }
  }
  return cases;
}

class VersionGateTest : public SpineTest, public ::testing::WithParamInterface<GateCase> {};

TEST_P(VersionGateTest, RefusesWithOneMessageOrGoesOn) {
  const GateCase& c = GetParam();
  SCOPED_TRACE(::testing::Message() << c);
  if (c.setting.settings) {
    ASSERT_TRUE(WriteStickSettings(c.setting.settings));
  }
  ASSERT_TRUE(SetWineVersion(c.version.wine_name));

  RunOptions options;
  options.environment.push_back({L"QUILLON_TEST_NATIVE32", c.native32 ? L"1" : L"0"});
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  if (c.ExpectOpen()) {
    // The start goes on to the deployment, which may show its own messages.
    EXPECT_EQ(r.CountBoxes(kTextWinver), 0u) << r.Describe();
  } else {
    ASSERT_EQ(r.boxes.size(), 1u) << r.Describe();
    EXPECT_EQ(r.boxes[0].caption, kCaption) << r.Describe();
    EXPECT_EQ(r.boxes[0].text, kTextWinver) << r.Describe();
    EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
  }
}

std::string GateCaseName(const ::testing::TestParamInfo<GateCase>& info) {
  return Narrow(info.param.version.wine_name) + (info.param.native32 ? "_32bit_" : "_64bit_") +
         info.param.setting.name;
}

INSTANTIATE_TEST_SUITE_P(AllVersions,
                         VersionGateTest,
                         ::testing::ValuesIn(AllGateCases()),
                         GateCaseName);

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
  }
}

// ---- The busy stick ----

// What a start left in the per-user data folder that it deploys into. The
// folder is removed before the start, so any file in it is the start's.
class BusyStickTest : public SpineTest {
 protected:
  void SetUp() override {
    SpineTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_FALSE(ProductDataFolder().empty());
    RemoveTree(ProductDataFolder());
    ASSERT_TRUE(ListFilesBelow(ProductDataFolder()).empty())
        << "can't empty " << Narrow(ProductDataFolder());
  }
};

TEST_F(BusyStickTest, EndsSilentlyWithoutTheStartMutex) {
  MutexHolder busy({L"_OstrelVT7_Mutex"});
  ASSERT_TRUE(busy.holding());

  RunResult r = RunLauncher(RunOptions());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  EXPECT_TRUE(r.windows.empty()) << r.Describe();
  EXPECT_LT(r.elapsed_ms, kQuickEndMs) << r.Describe();
  EXPECT_TRUE(ListFilesBelow(ProductDataFolder()).empty()) << "the start deployed";
}

TEST_F(BusyStickTest, WithTheStartMutexEndsWithoutDeployingWhenTheWaitIsCancelled) {
  MutexHolder busy({L"_OstrelVT7_Mutex", L"_VaultineStart_"});
  ASSERT_TRUE(busy.holding());

  RunOptions options;
  // A wait window (a dialog that is no message box) is cancelled as a user would.
  options.on_window = [](const WindowInfo& window) {
    return !window.is_message_box && PressButton(window.window, IDCANCEL);
  };
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.exit_code, 0u) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  EXPECT_LE(r.windows.size(), 1u) << r.Describe();
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
  const wchar_t* subfolder;   // where Quillon.exe and the libraries lie
  const wchar_t* held_mutex;  // null: none
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
  ASSERT_TRUE(SetWineVersion(L"win7"));
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
    ::testing::Values(PlantedCase{"FullStart", L"", nullptr},
                      PlantedCase{"FullStartFromFolderWithBlanks", L"Quillon Start", nullptr},
                      PlantedCase{"MessageBox", L"", L"_OstrelVT_Mutex"}),
    [](const ::testing::TestParamInfo<PlantedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
