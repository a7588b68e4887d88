// End-to-end tests of the guards before the pre-launch gate, from a user's
// situations: a stick that another component occupies (the wait window), the
// product's own tools running, and the two antivirus products.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/end_to_end_test.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

const wchar_t kCaption[] = L"Vaultine(RC)";
const wchar_t k642[] = L"Stewardry設定中は起動できません。(RC)";
const wchar_t k656[] = L"Confera起動中は実行できません。(RC)";
const wchar_t kUserKey[] = L"Software\\Vaultine";
const wchar_t k360Key[] = L"SYSTEM\\CurrentControlSet\\Services\\ZhuDongFangYu";
const wchar_t kAvastText[] =
    L"avast! antivirus（アバスト アンチウイルス）を検出しました。avast! "
    L"antivirusが動作しているＰＣではトラブルが発生することがあります。このＰＣでのご利用を中止され"
    L"るこ"
    L"とをお勧めします。(RC)";
const wchar_t k360Text[] =
    L"360アンチウイルスソフトが検知されました。360を一時的に停止するか、警告メッセージにて許可した"
    L"上、危"
    L"険と誤検知されたファイルを処理しないでください。";

// The text of control |id| of |w|, or a marker when it has none.
std::wstring TextOf(const WindowInfo& w, int id) {
  const ControlInfo* control = w.Control(id);
  return control ? control->text : L"<no control " + std::to_wstring(id) + L">";
}

bool IsWaitWindow(const WindowInfo& w) {
  return !w.is_message_box && w.Control(2001) != nullptr;
}

class GuardsTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    // On the drive of the Windows folder.
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    avast_ = std::wstring(1, windows[0]) + L":\\Program Files\\AVAST Software";
  }
  void TearDown() override {
    EndToEndTest::TearDown();
    if (avast_.empty())
      return;
    RemoveTree(avast_);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, k360Key);
  }
  // The app-notify file that the product's other components write.
  static bool WriteAppName(const std::string& name) {
    ::CreateDirectoryW(ProductDataFolder().c_str(), nullptr);
    return WriteText(ProductDataFolder() + L"\\VaultineAppNotify.ini",
                     "[Set]\r\nApp=" + name + "\r\n");
  }
  void PlaceAvast() {
    ::CreateDirectoryW(avast_.c_str(), nullptr);
    ASSERT_TRUE(::CreateDirectoryW((avast_ + L"\\AVAST").c_str(), nullptr));
    ASSERT_TRUE(WriteText(avast_ + L"\\AVAST\\AvastSvc.exe", "stand-in"));
  }

  std::wstring avast_;
  ScopedRegistryValueRestore avast_flag_{HKEY_CURRENT_USER, kUserKey, L"AVASTCHECK_MSG"};
  ScopedRegistryValueRestore flag_360_{HKEY_CURRENT_USER, kUserKey, L"360CHECK_MSG"};
};

// ---- The wait window ----

// Busy and start mutexes held: the wait window, with its texts and the app
// name; cancelled by its button, its close box or Alt+F4 (the system's keys
// still close a window), the start ends undeployed.
TEST_F(GuardsTest, WaitWindowShowsTheAppAndCancelEndsTheStart) {
  MutexHolder busy({L"_OstrelVT7_Mutex", L"_VaultineStart_"});
  ASSERT_TRUE(busy.holding());
  for (const char* way : {"cancel button", "close box", "Alt+F4"}) {
    SCOPED_TRACE(way);
    ASSERT_TRUE(WriteAppName("Occupier.exe"));
    RunOptions options;
    options.on_window = [&](const WindowInfo& w) {
      if (!IsWaitWindow(w))
        return false;
      EXPECT_EQ(w.caption, kCaption);
      EXPECT_EQ(TextOf(w, 2003), L"ご利用のソフトがUSBメモリを占有中で利用できません。(RC)");
      EXPECT_EQ(TextOf(w, 2002), L"対象のソフトを終了させて続行しますか？(RC)");
      EXPECT_EQ(TextOf(w, 2004), L"Occupier.exe");
      EXPECT_EQ(TextOf(w, 1), L"OK(RC)");
      EXPECT_EQ(TextOf(w, 2), L"Cancel(RC)");
      EXPECT_TRUE(w.ex_style & WS_EX_TOPMOST);
      if (std::strcmp(way, "close box") == 0)
        return ::PostMessageW(w.window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
      if (std::strcmp(way, "Alt+F4") == 0)
        return PostKey(w.window, nullptr, VK_F4, /*alt=*/true);
      return PressButton(w.window, IDCANCEL);
    };
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    ASSERT_EQ(r.windows.size(), 1u) << r.Describe();
    EXPECT_TRUE(IsWaitWindow(r.windows[0])) << r.Describe();
    EXPECT_FALSE(ViewerStarted());
  }
}

// Without an app name the window shows "---"; a name written meanwhile shows
// at the next update; the bar counts the seconds; when the busy mutex goes,
// the window closes by itself and the start reaches the viewer.
TEST_F(GuardsTest, WaitWindowFollowsTheStickUntilItIsFree) {
  auto busy = std::make_unique<MutexHolder>(std::vector<std::wstring>{L"_OstrelVT7_Mutex"});
  MutexHolder start({L"_VaultineStart_"});
  ASSERT_TRUE(busy->holding() && start.holding());
  const DWORD started = ::GetTickCount();
  LauncherProcess launcher(RunOptions{});
  ASSERT_TRUE(launcher.WatchUntil(
      [](const RunResult& r) { return !r.windows.empty() && IsWaitWindow(r.windows[0]); }, 20000))
      << launcher.result().Describe();
  HWND window = launcher.result().windows[0].window;
  EXPECT_EQ(TextOf(launcher.result().windows[0], 2004), L"---");
  ASSERT_TRUE(WriteAppName("Renamed.exe"));
  EXPECT_TRUE(WaitForWindowText(::GetDlgItem(window, 2004), L"Renamed.exe", 5000));
  // One step a second since the window showed: step 2 within 2.5 s of the
  // name, never more steps than seconds since the start (a millisecond count
  // would fill the bar).
  LRESULT position = 0;
  EXPECT_TRUE(PollUntil("step 2 of the bar", 2500, [&] {
    position = ::SendMessageW(::GetDlgItem(window, 2001), PBM_GETPOS, 0, 0);
    return position >= 2;
  }));
  EXPECT_LE(position, static_cast<LRESULT>((::GetTickCount() - started) / 1000));
  busy.reset();
  RunResult r = launcher.Finish();
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
  EXPECT_TRUE(ViewerStarted());
}

// True while the program that holds the mutex |name| runs.
bool Running(const wchar_t* name) {
  return KernelHandle(::OpenMutexW(SYNCHRONIZE, FALSE, name)).IsValid();
}

// While the wait window names Occupier.exe, the user types keys as a keyboard
// sends them: the window came up over the program that had the keyboard.
// Then the app-notify file names Successor.exe. The keys end no program and
// cancel nothing; the window shows the new name, and the force-quit click (as
// the mouse posts it) ends Successor.exe with the system's task-kill tool
// (never a taskkill.exe planted beside the launcher), Occupier.exe runs on
// and the window stays.
TEST_F(GuardsTest, ForceQuitEndsTheNamedProgramAndKeysEndNothing) {
  struct KeyPress {
    int control;  // 0: the control that has the focus; -1: the window
    WPARAM key;
  };
  const struct {
    const char* name;
    const wchar_t* folder;  // the launcher's on the stick
    std::vector<KeyPress> keys;
  } rows[] = {
      {"NoKeys", L"", {}},
      {"NoKeysLauncherInAFolder", L"Quillon Start", {}},
      {"SpaceEnterEscapeToTheFocus", L"", {{0, VK_SPACE}, {0, VK_RETURN}, {0, VK_ESCAPE}}},
      {"SpaceToEachButton", L"", {{1, VK_SPACE}, {IDCANCEL, VK_SPACE}}},
      {"EnterEscapeToTheWindow", L"", {{-1, VK_RETURN}, {-1, VK_ESCAPE}}},
  };
  MutexHolder busy({L"_OstrelVT7_Mutex", L"_VaultineStart_"});
  ASSERT_TRUE(busy.holding());
  for (const wchar_t* program : {L"Occupier.exe", L"Successor.exe"}) {
    ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"mutex_holder.exe").c_str(),
                            (StickRoot() + program).c_str(), FALSE));
  }
  // Beside either launcher, a planted tool that records its start in
  // Portico.record.txt beside itself.
  const std::wstring folders[] = {StickRoot(), StickRoot() + L"Quillon Start\\"};
  for (const std::wstring& folder : folders) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"Portico.exe").c_str(),
                            (folder + L"taskkill.exe").c_str(), FALSE));
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    MutexHolder occupier({L"QuillonTestOccupier"}, StickRoot() + L"Occupier.exe");
    MutexHolder successor({L"QuillonTestSuccessor"}, StickRoot() + L"Successor.exe");
    ASSERT_TRUE(occupier.holding() && successor.holding());
    ASSERT_TRUE(WriteAppName("Occupier.exe"));
    RunOptions options;
    if (row.folder[0] != L'\0') {
      options.launcher = InstallLauncherOnStick(row.folder);
      ASSERT_FALSE(options.launcher.empty());
    }
    LauncherProcess launcher(options);
    ASSERT_TRUE(launcher.WatchUntil(
        [](const RunResult& r) { return !r.windows.empty() && IsWaitWindow(r.windows[0]); },
        20000));
    HWND window = launcher.result().windows[0].window;
    for (const KeyPress& press : row.keys) {
      HWND target = press.control == -1  ? window
                    : press.control == 0 ? nullptr
                                         : ::GetDlgItem(window, press.control);
      ASSERT_TRUE(PostKey(window, target, press.key));
    }
    // A message sent now is taken before the keys that wait in the queue, and
    // the window reads the file anew only when its queue is empty: from here
    // on the keys are taken before the new name.
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr));
    ASSERT_TRUE(WriteAppName("Successor.exe"));
    EXPECT_TRUE(WaitForWindowText(::GetDlgItem(window, 2004), L"Successor.exe", 5000));
    EXPECT_TRUE(::IsWindowVisible(window)) << "a key cancelled the wait";
    // Clicks as the mouse sends them, through the wait loop.
    ASSERT_TRUE(PostClick(::GetDlgItem(window, 1)));
    EXPECT_TRUE(PollUntil("the named program's end", 10000,
                          [] { return !Running(L"QuillonTestSuccessor"); }));
    // Every task-kill tool that was started, by a key too, has done its work.
    EXPECT_TRUE(PollUntil("the task-kill tools' end", 10000,
                          [] { return ProcessesNamed({L"taskkill.exe"}).empty(); }));
    EXPECT_TRUE(Running(L"QuillonTestOccupier")) << "a key or the old name ended Occupier.exe";
    EXPECT_TRUE(::IsWindowVisible(window));
    for (const std::wstring& folder : folders)
      EXPECT_FALSE(FileExists(folder + L"Portico.record.txt")) << "the planted tool ran";
    ASSERT_TRUE(PostClick(::GetDlgItem(window, IDCANCEL)));
    RunResult r = launcher.Finish();
    EXPECT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(r.windows.size(), 1u) << r.Describe();
    EXPECT_FALSE(ViewerStarted());
  }
}

// ---- The product's own tools ----

struct ToolStart {
  const char* name;
  const wchar_t* mutex;
  const wchar_t* parent;   // the starter's image name; null: the test itself
  bool parent_gone;        // the parent ends before the launcher looks
  const wchar_t* message;  // null: none
  bool goes_on;
};

TEST_F(GuardsTest, ToolMutexesAndTheLaunchersParent) {
  const ToolStart starts[] = {
      {"StewardryFromTheDesktop", L"Stewardry_Mutex", nullptr, false, k642, false},
      {"StewardryFromQuillonRun", L"Stewardry_Mutex", L"quillonrun.EXE", false, nullptr, false},
      // The settings tool lets only the backup-tool check pass.
      {"StewardryFromConfera", L"Stewardry_Mutex", L"Confera.exe", false, k642, false},
      // A parent found as Gone.exe would bring 642.
      {"StewardryParentGone", L"Stewardry_Mutex", L"Gone.exe", true, nullptr, false},
      {"KeepsafeFromTheDesktop", L"Keepsafe_Mutex", nullptr, false, k656, false},
      {"KeepsafeFromQuillonRun", L"Keepsafe_Mutex", L"QuillonRun.exe", false, nullptr, false},
      {"KeepsafeFromConfera", L"Keepsafe_Mutex", L"Confera.exe", false, nullptr, true},
      {"KeepsafeFromConferaInCapitals", L"Keepsafe_Mutex", L"CONFERA.EXE", false, nullptr, true},
      // A parent found as Confera.exe would let the start go on.
      {"KeepsafeParentGone", L"Keepsafe_Mutex", L"Confera.exe", true, k656, false},
  };
  for (const ToolStart& c : starts) {
    SCOPED_TRACE(c.name);
    // A folder of its own: a copy over a name of another case keeps the old name.
    TempDir parents;
    ASSERT_TRUE(ClearDataFolder());
    MutexHolder tool({c.mutex});
    ASSERT_TRUE(tool.holding());
    RunOptions options;
    if (c.parent) {
      // Off the stick: a Confera.exe on it would be the settings tool that
      // the pre-launch gate offers.
      ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"starter.exe").c_str(),
                              parents.Join(c.parent).c_str(), FALSE));
      options.launcher = parents.Join(c.parent);
      if (c.parent_gone) {
        int child = RunProgram(options.launcher, L"--exit " + StickRoot() + L"Quillon.exe");
        ASSERT_GT(child, 3);
        options.attach_to = static_cast<DWORD>(child);
      } else {
        options.arguments = StickRoot() + L"Quillon.exe";
      }
    }
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    // The starter passes the launcher's exit code on (3: not started).
    EXPECT_EQ(r.exit_code, 0u) << r.Describe();
    ASSERT_EQ(r.boxes.size(), c.message ? 1u : 0u) << r.Describe();
    if (c.message) {
      EXPECT_EQ(r.boxes[0].text, c.message);
    }
    EXPECT_EQ(ViewerStarted(), c.goes_on);
  }
}

// ---- The antivirus warnings ----

// What the user does in a warning: press ignore or abort, perhaps after
// ticking "do not show this message again".
// Escape and the close box are the dialog manager's roads to abort.
enum Answer { kIgnore, kAbort, kTickAndAbort, kTickAndIgnore, kEscape, kCloseBox };

struct WarningStart {
  const char* name;
  bool avast;
  bool product_360;
  const char* avast_flag_text;        // AVASTCHECK_MSG stored as a string; null: none
  std::vector<Answer> answers;        // to the dialogs, in order
  std::vector<const wchar_t*> texts;  // the dialogs' warnings, in order
  bool goes_on;
};

TEST_F(GuardsTest, AntivirusWarnings) {
  const WarningStart starts[] = {
      {"AvastIgnored", true, false, nullptr, {kIgnore}, {kAvastText}, true},
      {"AvastAbortedBefore360", true, true, nullptr, {kAbort}, {kAvastText}, false},
      {"BothProductsAvastFirst",
       true,
       true,
       nullptr,
       {kIgnore, kIgnore},
       {kAvastText, k360Text},
       true},
      {"EscapeAborts", true, false, nullptr, {kEscape}, {kAvastText}, false},
      {"CloseBoxAborts", true, false, nullptr, {kCloseBox}, {kAvastText}, false},
      {"TickedAndAborted", true, false, nullptr, {kTickAndAbort}, {kAvastText}, false},
      // The string replaces the flag that the tick stored.
      {"StringFlagStillWarns", true, false, "0", {kTickAndIgnore}, {kAvastText}, true},
      // The flag that the last start's tick stored: no more warning.
      {"AfterTheTick", true, false, nullptr, {}, {}, true},
      {"360TickedAndAborted", false, true, nullptr, {kTickAndAbort}, {k360Text}, false},
      {"360AfterTheTick", false, true, nullptr, {}, {}, true},
  };
  for (const wchar_t* name : {L"AVASTCHECK_MSG", L"360CHECK_MSG"})
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, name, RegistryValue()));
  for (const WarningStart& c : starts) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ClearDataFolder());
    RemoveTree(avast_);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, k360Key);
    if (c.avast)
      PlaceAvast();
    if (c.product_360) {
      RegKey key;
      ASSERT_EQ(CreateRegKey(HKEY_LOCAL_MACHINE, k360Key, KEY_WRITE, &key), ERROR_SUCCESS);
    }
    if (c.avast_flag_text) {
      ASSERT_TRUE(
          WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"AVASTCHECK_MSG", TextValue(L"0")));
    }
    size_t dialogs = 0;
    RunOptions options;
    options.on_window = [&](const WindowInfo& w) {
      if (w.is_message_box || dialogs >= c.answers.size())
        return false;
      const Answer answer = c.answers[dialogs++];
      EXPECT_EQ(w.caption, kCaption);
      EXPECT_EQ(TextOf(w, 1001), L"このメッセージを表示しない。(RC)");
      EXPECT_EQ(TextOf(w, 1), L"無視(RC)");
      EXPECT_EQ(TextOf(w, 2), L"中止(RC)");
      EXPECT_TRUE(w.ex_style & WS_EX_TOPMOST);
      if (answer == kTickAndAbort || answer == kTickAndIgnore)
        PressButton(w.window, 1001);
      if (answer == kEscape)
        return ::PostMessageW(w.window, WM_KEYDOWN, VK_ESCAPE, 0) != 0;
      if (answer == kCloseBox)
        return ::PostMessageW(w.window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
      return PressButton(w.window, answer == kIgnore || answer == kTickAndIgnore ? IDOK : IDCANCEL);
    };
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    ASSERT_EQ(r.windows.size(), c.texts.size()) << r.Describe();
    for (size_t i = 0; i < c.texts.size(); ++i)
      EXPECT_EQ(TextOf(r.windows[i], 1002), c.texts[i]) << i;
    EXPECT_EQ(ViewerStarted(), c.goes_on);
  }
  // Each warning's tick stored its own flag.
  for (const wchar_t* name : {L"AVASTCHECK_MSG", L"360CHECK_MSG"}) {
    RegistryValue flag = ReadRegistryValue(HKEY_CURRENT_USER, kUserKey, name);
    EXPECT_TRUE(flag.present && flag.type == REG_DWORD && flag.data == std::vector<BYTE>(4, 0))
        << Narrow(name);
  }
}

// ---- The order of the guards ----

// Avast installed and one more situation: the windows come in the steps'
// order, and a step that ends the start shows only its own message.
TEST_F(GuardsTest, GuardsComeInTheirOrder) {
  const struct {
    const char* name;
    std::vector<std::wstring> mutexes;
    const wchar_t* wine_version;
    std::vector<std::wstring> seen;  // the warning's or message box's texts
  } cases[] = {
      {"PreviousGenerationBeforeTheWarning",
       {L"_OstrelVT_Mutex"},
       L"win7",
       {L"共存できないディスクが動作しています。(RC)"}},
      {"WarningBeforeTheManagementTool", {L"Stewardry_Mutex"}, L"win7", {kAvastText, k642}},
      {"VersionGateBeforeTheBusyStick",
       {L"_OstrelVT7_Mutex", L"_VaultineStart_"},
       L"win2k",
       {kAvastText, L"The version of Windows doesn't correspond.(RC)"}},
      {"ManagementToolBeforeTheBackupTool",
       {L"Stewardry_Mutex", L"Keepsafe_Mutex"},
       L"win7",
       {kAvastText, k642}},
      {"BackupToolBeforeTheVersionGate", {L"Keepsafe_Mutex"}, L"win2k", {kAvastText, k656}},
  };
  PlaceAvast();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(
        WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"AVASTCHECK_MSG", RegistryValue()));
    ASSERT_TRUE(SetWineVersion(c.wine_version));
    MutexHolder held(c.mutexes);
    ASSERT_TRUE(held.holding());
    RunOptions options;
    options.on_window = [](const WindowInfo& w) {
      return !w.is_message_box && w.Control(1002) && PressButton(w.window, IDOK);
    };
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    std::vector<std::wstring> seen;
    for (const WindowInfo& w : r.windows)
      seen.push_back(w.is_message_box ? w.text : TextOf(w, 1002));
    EXPECT_EQ(seen, c.seen) << r.Describe();
  }
}

}  // namespace
}  // namespace quillon::helpers
