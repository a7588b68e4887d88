// End-to-end tests of the pre-launch gate: the background service (absent,
// ready and accepting the version request, ready but not accepting it), the
// user's rights, Shift, the companion programs on the stick and the per-user
// and stick values, each seen through the windows shown, the buttons pressed,
// what was written and started, and whether the start reached the viewer.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/end_to_end_test.h"
#include "tests/helpers/launcher_run.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/registry_value.h"
#include "tests/helpers/service_standin.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {
namespace {

const wchar_t kUserKey[] = L"Software\\Vaultine";
const wchar_t kCaption[] = L"Vaultine(RC)";
const wchar_t k651[] =
    L"自動起動をセットアップしてご利用いただくか、 管理者アカウントでご利用ください。(RC)";
const wchar_t k556[] = L"対応していないSwiftgate.exeがインストールされています。(RC)";

enum Service { kAbsent, kReadyAccepting, kReadyNotAccepting };

struct GateStart {
  const char* name;
  Service service;
  bool administrator;
  bool shift;
  const wchar_t* swiftgate;  // the version folder of the copy in S:\Tools; null: none
  bool confera;              // S:\Tools\Confera.exe
  int user_prompt;           // SETUP_SWIFTGATE_MSG before the start; -1: none
  const char* stick_extra;   // more lines for Language.cfg's [Quillon]
  int swiftgate_exit;
  const char* setup_actions;  // what the user does in the set-up question, in order
                              // ("tick1001 tick1003 yes no"); null: not shown
  const char* question;       // the answer to the update question; null: not shown
  const wchar_t* message;     // the one error message; null: none
  bool reaches_viewer;
  int updates;           // Swiftgate.exe runs with /update
  bool confera_started;  //
  int auto_update;       // AutoUpdate after the start; -1: none
  int prompt_after;      // SETUP_SWIFTGATE_MSG after the start; -1: none
  int probes;            // probes that reached the service, two conversations each
};

const GateStart kStarts[] = {
    // name, service, admin, shift, swiftgate, confera, user prompt, stick, exit code,
    // set-up actions, question, message, viewer, updates, confera, AutoUpdate, prompt after,
    // probes
    {"ReadyAcceptingNoCompanion", kReadyAccepting, false, false, nullptr, false, -1, "", 0, nullptr,
     nullptr, nullptr, true, 0, false, -1, -1, 1},
    {"NonAdminShiftWithCompanion", kReadyAccepting, false, true, L"6_0_0_18", false, -1, "", 0,
     "no", nullptr, k651, false, 0, false, 0, 1, 2},
    // The user's 0 doesn't keep the question from a user who can't do without it.
    {"AbsentNonAdminPromptOff", kAbsent, false, false, L"6_0_0_18", false, 0, "", 0, "no", nullptr,
     k651, false, 0, false, 0, 1, 0},
    {"AbsentNonAdminNoCompanion", kAbsent, false, false, nullptr, false, -1, "", 0, nullptr,
     nullptr, k651, false, 0, false, -1, -1, 0},
    {"AbsentNonAdminOldSwiftgate", kAbsent, false, false, L"6_0_0_17", false, -1, "", 0, nullptr,
     nullptr, k651, false, 0, false, -1, -1, 0},
    {"AbsentAdminNoCompanion", kAbsent, true, false, nullptr, false, -1, "", 0, nullptr, nullptr,
     nullptr, true, 0, false, -1, -1, 0},
    {"AbsentAdminStickPromptOff", kAbsent, true, false, L"6_0_0_18", false, -1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 0, nullptr, nullptr, nullptr, true, 0, false, -1, -1, 0},
    {"NotAcceptingAdminNoSwiftgate", kReadyNotAccepting, true, false, nullptr, false, -1, "", 0,
     nullptr, nullptr, k556, false, 0, false, -1, -1, 2},
    {"NotAcceptingUpdateYesSucceeds", kReadyNotAccepting, true, false, L"6_0_0_18", false, -1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 1, nullptr, "yes", nullptr, true, 1, false, -1, -1, 2},
    {"NotAcceptingUpdateYesFails", kReadyNotAccepting, true, false, L"6_0_0_18", false, -1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 0, nullptr, "yes", nullptr, false, 1, false, -1, -1, 2},
    // A Swiftgate.exe that isn't a program: the shell's own error, and the update failed.
    {"NotAcceptingUpdateNotAProgram", kReadyNotAccepting, true, false, L"not_a_program", false, -1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 0, nullptr, "yes", nullptr, false, 0, false, -1, -1, 2},
    {"NotAcceptingUpdateNo", kReadyNotAccepting, true, false, L"6_0_0_18", false, -1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 1, nullptr, "no", nullptr, false, 0, false, -1, -1, 2},
    // Yes starts Confera.exe when it is there, and the start ends.
    {"SetupYesStartsConfera", kAbsent, false, false, L"6_0_0_18", true, -1, "", 0, "yes", nullptr,
     nullptr, false, 0, true, 0, 1, 0},
    // A failed update brings the question back.
    {"SetupYesUpdateFailsThenNo", kAbsent, false, false, L"6_0_0_18", false, -1, "", 0, "yes no",
     nullptr, k651, false, 1, false, 0, 1, 0},
    {"AdminSetupYesUpdated", kAbsent, true, false, L"6_0_0_18", false, -1, "", 1, "yes", nullptr,
     nullptr, true, 1, false, 0, 1, 0},
    {"AdminSetupTickNo", kAbsent, true, false, L"6_0_0_18", false, -1, "", 0, "tick1001 no",
     nullptr, nullptr, true, 0, false, 0, 0, 0},
    // The next start: the user's 0 keeps the question away...
    {"AdminAfterTheTick", kAbsent, true, false, L"6_0_0_18", false, 0, "", 0, nullptr, nullptr,
     nullptr, true, 0, false, -1, 0, 0},
    // ... unless Shift is held, which sets it to 1 again.
    {"AdminShiftBringsTheQuestionBack", kAbsent, true, true, L"6_0_0_18", false, 0, "", 0, "no",
     nullptr, nullptr, true, 0, false, 0, 1, 0},
    {"ConferaAloneIsOffered", kAbsent, true, false, nullptr, true, -1, "", 0, "no", nullptr,
     nullptr, true, 0, false, 0, 1, 0},
    {"NotAcceptingNonAdminSwiftgate", kReadyNotAccepting, false, false, L"6_0_0_18", false, 0, "",
     0, "no", nullptr, k651, false, 0, false, 0, 1, 2},
    {"NotAcceptingAdminOldSwiftgate", kReadyNotAccepting, true, false, L"6_0_0_17", false, -1, "",
     0, nullptr, nullptr, k556, false, 0, false, -1, -1, 2},
    // The question first, then the update offer.
    {"NotAcceptingAdminQuestionThenOffer", kReadyNotAccepting, true, false, L"6_0_0_18", false, -1,
     "", 0, "no", "no", nullptr, false, 0, false, 0, 1, 3},
    // Shift asks for the service check: an administrator with a ready service goes on.
    {"AdminShiftReadyAccepting", kReadyAccepting, true, true, nullptr, false, -1, "", 0, nullptr,
     nullptr, nullptr, true, 0, false, -1, 1, 2},
    {"NonAdminShiftReadyNoCompanion", kReadyAccepting, false, true, nullptr, false, -1, "", 0,
     nullptr, nullptr, k651, false, 0, false, -1, 1, 1},
    // Probes that find the service again after the set-up question and before the
    // administrator's road; the service the question's update brought up lets the start go on.
    {"ServiceUpDuringSetup", kAbsent, false, false, L"6_0_0_18", false, -1, "", 1, "serve yes",
     nullptr, nullptr, true, 1, false, 0, 1, 1},
    // Enter at once, Esc and the close box answer No.
    {"AdminEnterAnswersNo", kAbsent, true, false, L"6_0_0_18", true, -1, "", 1, "enter", nullptr,
     nullptr, true, 0, false, 0, 1, 0},
    {"AdminEscAnswersNo", kAbsent, true, false, L"6_0_0_18", false, -1, "", 1, "tick1001 esc",
     nullptr, nullptr, true, 0, false, 0, 0, 0},
    {"AdminCloseBoxAnswersNo", kAbsent, true, false, L"6_0_0_18", false, -1, "", 1,
     "tick1001 close", nullptr, nullptr, true, 0, false, 0, 0, 0},
    // The stick's 0 keeps the question away from a user's 1 and from Shift.
    {"AdminStickOffUserOn", kAbsent, true, false, L"6_0_0_18", false, 1,
     "SETUP_SWIFTGATE_MSG=0\r\n", 0, nullptr, nullptr, nullptr, true, 0, false, -1, 1, 0},
    {"NonAdminShiftStickOff", kReadyAccepting, false, true, L"6_0_0_18", false, 0,
     "SETUP_SWIFTGATE_MSG=0\r\n", 0, nullptr, nullptr, k651, false, 0, false, -1, 1, 1},
};

// Lines of a companion's record file (one per start).
int RecordedStarts(const std::wstring& record, const std::wstring& needle) {
  std::vector<unsigned char> bytes;
  if (!ReadBytes(record, &bytes))
    return 0;
  std::string text(bytes.begin(), bytes.end());
  std::string narrow = Narrow(needle);
  int count = 0;
  for (size_t at = text.find(narrow); at != std::string::npos; at = text.find(narrow, at + 1))
    ++count;
  return count;
}

// What follows the program's path on a companion's recorded command line.
std::string RecordedArguments(const std::wstring& record) {
  std::vector<unsigned char> bytes;
  ReadBytes(record, &bytes);
  std::string line(bytes.begin(), bytes.end());
  const size_t program_end = line.find(".exe");
  if (program_end == std::string::npos)
    return line;
  line.erase(0, program_end + (line.compare(program_end, 5, ".exe\"") == 0 ? 5 : 4));
  return line.substr(0, line.find_last_not_of(" \r\n") + 1);
}

int UserDword(const wchar_t* name) {
  RegistryValue value = ReadRegistryValue(HKEY_CURRENT_USER, kUserKey, name);
  if (!value.present || value.type != REG_DWORD || value.data.size() != 4)
    return -1;
  return value.data[0] | (value.data[1] << 8);
}

class GateTest : public EndToEndTest {
 protected:
  ScopedRegistryValueRestore auto_update_{HKEY_CURRENT_USER, kUserKey, L"AutoUpdate"};
  ScopedRegistryValueRestore prompt_{HKEY_CURRENT_USER, kUserKey, L"SETUP_SWIFTGATE_MSG"};
  // A start publishes the stick's parameter for the user.
  ScopedRegistryValueRestore parameter_{HKEY_CURRENT_USER, L"Environment", L"VT_Parameter"};
};

// Performs the actions "tick1001", "yes", "no", "enter", "esc", "close" (the
// close box) ... on the set-up dialog; "serve" brings the service up
// meanwhile. A press waits for the dialog to take it, update run included.
void ActOnSetupDialog(HWND dialog,
                      const char* actions,
                      const std::function<bool()>& serve = nullptr) {
  std::istringstream words(actions);
  bool answered = false;
  for (std::string word; words >> word;) {
    // A second answer means the first one's update failed: the question is
    // back on the screen.
    if (answered) {
      EXPECT_TRUE(::IsWindowVisible(dialog)) << "the question didn't come back";
    }
    if (word.compare(0, 4, "tick") == 0) {
      EXPECT_TRUE(PressButton(dialog, std::stoi(word.substr(4))));
      continue;
    }
    if (word == "serve") {
      EXPECT_TRUE(serve && serve());
      continue;
    }
    if (word == "enter" || word == "esc") {
      EXPECT_TRUE(PostKey(dialog, nullptr, word == "enter" ? VK_RETURN : VK_ESCAPE));
    } else if (word == "close") {
      EXPECT_TRUE(::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0));
    } else {
      EXPECT_TRUE(PressButton(dialog, word == "yes" ? IDOK : IDCANCEL));
    }
    answered = true;
  }
}

TEST_F(GateTest, EachSituation) {
  for (const GateStart& c : kStarts) {
    SCOPED_TRACE(c.name);
    EndLeftovers();
    ASSERT_TRUE(PrepareStick());
    ASSERT_TRUE(ClearDataFolder());
    ASSERT_TRUE(::CreateDirectoryW((StickRoot() + L".cfg").c_str(), nullptr));
    ASSERT_TRUE(WriteText(StickRoot() + L".cfg\\Language.cfg",
                          std::string("[Quillon]\r\n") + c.stick_extra));
    // A parameter, and no AutoUpdateURL: check box 1003 stays hidden.
    ASSERT_TRUE(WriteStickSettings(SettingsWith({"VT_Parameter=vt1"})));
    const std::wstring tools = StickRoot() + L"Tools";
    if (c.swiftgate) {
      ASSERT_TRUE(
          CopyToStick(ProgramFolder() + L"companions\\" + c.swiftgate, L"Swiftgate.exe", L"Tools"));
    }
    if (c.confera) {
      ASSERT_TRUE(CopyToStick(ProgramFolder() + L"companions", L"Confera.exe", L"Tools"));
    }
    RegistryValue prompt;
    if (c.user_prompt >= 0) {
      prompt.present = true;
      prompt.type = REG_DWORD;
      prompt.data = {static_cast<BYTE>(c.user_prompt), 0, 0, 0};
    }
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"SETUP_SWIFTGATE_MSG", prompt));
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"AutoUpdate", RegistryValue()));
    std::unique_ptr<ServiceStandin> service;
    std::unique_ptr<ScopedServiceProgram> program;
    const auto serve = [&](Service kind) {
      service = std::make_unique<ServiceStandin>(kind == kReadyAccepting
                                                     ? L"--reply ok --conversations 50"
                                                     : L"--reply noetx --conversations 50");
      program = std::make_unique<ScopedServiceProgram>(L"7_0_0_24");
      return service->listening() && program->placed();
    };
    if (c.service != kAbsent) {
      ASSERT_TRUE(serve(c.service));
    }

    int setup_dialogs = 0;
    int questions = 0;
    RunOptions options;
    options.environment = {{L"QUILLON_TEST_ADMINISTRATORS", c.administrator ? L"1" : L"0"},
                           {L"QUILLON_TEST_SHIFT", c.shift ? L"1" : L"0"},
                           {L"COMPANION_EXIT_CODE", std::to_wstring(c.swiftgate_exit)}};
    options.on_window = [&](const WindowInfo& w) {
      if (w.Control(1004)) {
        ++setup_dialogs;
        // The stick has no AutoUpdateURL: no version-check box.
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(w.window, 1003)));
        ActOnSetupDialog(w.window, c.setup_actions ? c.setup_actions : "no",
                         [&] { return serve(kReadyAccepting); });
        return true;
      }
      if (w.is_message_box && w.Control(IDYES)) {
        ++questions;
        EXPECT_EQ(w.text.compare(0, std::wcslen(k556), k556), 0) << Narrow(w.text);
        EXPECT_NE(w.text.find(L"\n\nSwiftgate automatic update?(RC)"), std::wstring::npos);
        return PressButton(w.window, c.question && std::string(c.question) == "yes" ? IDYES : IDNO);
      }
      return false;
    };
    RunResult r = RunLauncher(options);
    ASSERT_TRUE(r.Ended()) << r.Describe();
    EXPECT_EQ(setup_dialogs, c.setup_actions ? 1 : 0) << r.Describe();
    EXPECT_EQ(questions, c.question ? 1 : 0) << r.Describe();
    // The launcher's own boxes, not the shell's about a program it can't start.
    const size_t errors = static_cast<size_t>(std::count_if(
                              r.boxes.begin(), r.boxes.end(),
                              [](const MessageBoxSeen& b) { return b.caption == kCaption; })) -
                          static_cast<size_t>(questions);
    ASSERT_EQ(errors, c.message ? 1u : 0u) << r.Describe();
    if (c.message) {
      EXPECT_EQ(r.boxes.back().text, c.message);
    }
    EXPECT_EQ(ViewerStarted(), c.reaches_viewer);
    EXPECT_EQ(RecordedStarts(tools + L"\\Swiftgate.record.txt", L" /update"), c.updates);
    // Confera.exe is started without waiting: its record may come after the
    // launcher's end, and comes before its own.
    const std::wstring confera_record = tools + L"\\Confera.record.txt";
    EXPECT_TRUE(PollUntil("Confera.exe's end", 5000,
                          [] { return ProcessesNamed({L"Confera.exe"}).empty(); }));
    EXPECT_EQ(RecordedStarts(confera_record, L"\n"), c.confera_started ? 1 : 0);
    if (c.confera_started) {
      EXPECT_EQ(RecordedArguments(confera_record), "");
    }
    EXPECT_EQ(service ? service->Received().size() : 0u, 2u * static_cast<size_t>(c.probes))
        << "conversations";
    EXPECT_EQ(UserDword(L"AutoUpdate"), c.auto_update);
    EXPECT_EQ(UserDword(L"SETUP_SWIFTGATE_MSG"), c.prompt_after);
  }
}

// The set-up question's texts, the version-check box with the stick's
// parameter, and a language chosen through the link: every text anew in the
// chosen language, the check boxes as they were, the choice in Detacher.ini.
TEST_F(GateTest, LanguageLinkRelabelsTheQuestion) {
  ASSERT_TRUE(CopyToStick(ProgramFolder() + L"companions\\6_0_0_18", L"Swiftgate.exe", L"Tools"));
  ASSERT_TRUE(WriteStickSettings(SettingsWith({"VT_Parameter=vt1", "AutoUpdateURL=http://u"})));
  ASSERT_TRUE(WriteText(StickRoot() + L".cfg\\Language.cfg",
                        "[File]\r\n1=0c0c.cfg\r\n2=0409.cfg\r\n[Quillon]\r\n"));
  // Not the UI language's file, which automatic mode would take at start.
  const std::string texts =
      "[Quillon]\r\nTITLE=Vaultine EN\r\nSETUP_SWIFTGATE=Set up?\r\n"
      "BUTTON_YES=Yes\r\nBUTTON_NO=No\r\nNO_MESSAGE=Don't ask\r\n"
      "CHECK_VERSION=Check\r\nLANGUAGE=Language EN\r\n"
      "BUTTON_OK=OK EN\r\nBUTTON_CANCEL=Cancel EN\r\n";
  ASSERT_TRUE(WriteText(StickRoot() + L".cfg\\0c0c.cfg", texts));
  ASSERT_TRUE(
      WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"SETUP_SWIFTGATE_MSG", RegistryValue()));
  // The launcher in a folder of the stick, beside a .cfg of its own: the
  // languages are the stick's all the same, from its root.
  RunOptions options;
  options.launcher = InstallLauncherOnStick(L"Quillon Start");
  ASSERT_FALSE(options.launcher.empty());
  ASSERT_TRUE(::CreateDirectoryW((StickRoot() + L"Quillon Start\\.cfg").c_str(), nullptr));
  ASSERT_TRUE(WriteText(StickRoot() + L"Quillon Start\\.cfg\\Language.cfg",
                        "[File]\r\n1=0411.cfg\r\n[Quillon]\r\n"));

  LauncherProcess launcher(options);
  ASSERT_TRUE(launcher.WatchUntil([](const RunResult& r) { return !r.windows.empty(); }, 20000))
      << launcher.result().Describe();
  const WindowInfo setup = launcher.result().windows[0];
  ASSERT_NE(setup.Control(1004), nullptr) << setup.Describe();
  EXPECT_EQ(setup.caption, L"Vaultine(RC)");
  EXPECT_EQ(setup.Control(1003)->text, L"バージョンチェック(RC) vt1");
  EXPECT_TRUE(setup.Control(1003)->style & WS_VISIBLE);
  EXPECT_EQ(setup.Control(1004)->text, L"<a>Language</a>");
  EXPECT_TRUE(setup.ex_style & WS_EX_TOPMOST);
  ASSERT_TRUE(PressButton(setup.window, 1003));

  // The keyboard moved to the link (the dialog moves the focus before the
  // key comes to it): Enter opens the language choice, as a click does.
  HWND link = ::GetDlgItem(setup.window, 1004);
  ASSERT_TRUE(::PostMessageW(setup.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(link), TRUE));
  ASSERT_TRUE(PostKey(setup.window, link, VK_RETURN));
  ASSERT_TRUE(launcher.WatchUntil([](const RunResult& r) { return r.windows.size() >= 2; }, 10000))
      << launcher.result().Describe();
  const WindowInfo choice = launcher.result().windows[1];
  ASSERT_NE(choice.Control(1005), nullptr) << choice.Describe();
  EXPECT_EQ(choice.caption, L"Language");
  HWND box = ::GetDlgItem(choice.window, 1005);
  // The display names in the File section's order, not sorted.
  std::vector<std::wstring> items;
  for (LRESULT i = 0; i < ::SendMessageW(box, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t item[128] = {};
    ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
    items.push_back(item);
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Auto", L"French", L"English"}));
  EXPECT_EQ(::SendMessageW(box, CB_GETCURSEL, 0, 0), 0);  // Auto
  ::SendMessageW(box, CB_SETCURSEL, 1, 0);
  ASSERT_TRUE(PressButton(choice.window, IDOK));
  ASSERT_TRUE(WaitForWindowGone(choice.window, 5000));

  // The link is relabelled last.
  EXPECT_TRUE(WaitForWindowText(link, L"<a>Language EN</a>", 5000)) << WindowText(link);
  EXPECT_EQ(WindowText(setup.window), L"Vaultine EN");
  EXPECT_EQ(WindowText(::GetDlgItem(setup.window, 1002)), L"Set up?");
  EXPECT_EQ(WindowText(::GetDlgItem(setup.window, 1)), L"Yes");
  EXPECT_EQ(WindowText(::GetDlgItem(setup.window, 1001)), L"Don't ask");
  EXPECT_EQ(WindowText(::GetDlgItem(setup.window, 1003)), L"Check vt1");
  EXPECT_EQ(::SendDlgItemMessageW(setup.window, 1003, BM_GETCHECK, 0, 0), BST_CHECKED);
  std::vector<unsigned char> choice_file;
  ASSERT_TRUE(ReadBytes(ProductDataFolder() + L"\\Detacher.ini", &choice_file));
  EXPECT_NE(std::string(choice_file.begin(), choice_file.end()).find("Portico=0c0c.cfg"),
            std::string::npos);
  // The UI language's file, with the same texts: automatic mode takes it from
  // now on. Opened again: in the chosen language, the stored entry
  // preselected. Cancel after another selection, and OK without one, store
  // nothing; "Auto" and OK stores Auto; OK on the last entry stores that
  // entry. On a stick without languages "Auto" is the one item, and OK
  // stores it.
  ASSERT_TRUE(WriteText(StickRoot() + L".cfg\\0409.cfg", texts));
  const struct {
    WPARAM select;
    int button;
    const char* stored;
    LRESULT preselected;
    bool languages;  // Language.cfg on the stick
  } reopenings[] = {{2, IDCANCEL, "Portico=0c0c.cfg", 1, true},
                    {static_cast<WPARAM>(-1), IDOK, "Portico=0c0c.cfg", 1, true},
                    {0, IDOK, "Portico=Auto", 1, true},
                    {2, IDOK, "Portico=0409.cfg", 0, true},
                    {0, IDOK, "Portico=Auto", 0, false}};
  for (const auto& again : reopenings) {
    SCOPED_TRACE(again.stored);
    if (!again.languages) {
      ASSERT_TRUE(::DeleteFileW((StickRoot() + L".cfg\\Language.cfg").c_str()));
    }
    ASSERT_TRUE(PostClick(link));
    const size_t seen = launcher.result().windows.size();
    ASSERT_TRUE(
        launcher.WatchUntil([&](const RunResult& r) { return r.windows.size() > seen; }, 10000));
    const WindowInfo dialog = launcher.result().windows.back();
    EXPECT_EQ(dialog.caption, L"Language EN");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog.window, IDOK)), L"OK EN");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog.window, IDCANCEL)), L"Cancel EN");
    EXPECT_EQ(::SendDlgItemMessageW(dialog.window, 1005, CB_GETCOUNT, 0, 0),
              again.languages ? 3 : 1);
    EXPECT_EQ(::SendDlgItemMessageW(dialog.window, 1005, CB_GETCURSEL, 0, 0), again.preselected);
    ::SendDlgItemMessageW(dialog.window, 1005, CB_SETCURSEL, again.select, 0);
    ASSERT_TRUE(PressButton(dialog.window, again.button));
    ASSERT_TRUE(WaitForWindowGone(dialog.window, 5000));
    ASSERT_TRUE(ReadBytes(ProductDataFolder() + L"\\Detacher.ini", &choice_file));
    const std::string stored(choice_file.begin(), choice_file.end());
    EXPECT_NE(stored.find(again.stored), std::string::npos) << stored;
  }
  ASSERT_TRUE(PressButton(setup.window, IDCANCEL));
  RunResult r = launcher.Finish();
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_EQ(UserDword(L"AutoUpdate"), 1);
}

// The 32-bit limited account on Windows XP is refused only without a ready
// service.
TEST_F(GateTest, ReadyServiceLetsALimitedAccountOnXpGoOn) {
  ASSERT_TRUE(SetWineVersion(L"winxp"));
  ServiceStandin service(L"--reply ok --conversations 50");
  ScopedServiceProgram program(L"7_0_0_24");
  ASSERT_TRUE(service.listening() && program.placed());
  RunOptions options;
  options.environment = {{L"QUILLON_TEST_NATIVE32", L"1"},
                         {L"QUILLON_TEST_USER_ADMIN", L"0"},
                         {L"QUILLON_TEST_ADMINISTRATORS", L"0"}};
  RunResult r = RunLauncher(options);
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(r.boxes.empty()) << r.Describe();
  EXPECT_TRUE(ViewerStarted());
}

// A stick with a link that leads back up its tree, a link to a folder off the
// stick that holds Confera.exe, and Swiftgate.exe 40 folders down: the walk
// ends without entering the links, so Yes runs Swiftgate.exe's update (which
// fails: the question comes back) rather than starting that Confera.exe.
TEST_F(GateTest, HostileStickWalkEnds) {
  wchar_t hostile[8] = {};
  if (::GetEnvironmentVariableW(L"QUILLON_HOSTILE_STICK", hostile, 8) != 2)
    GTEST_SKIP() << "QUILLON_HOSTILE_STICK is not set: run through tools/test.sh";
  const std::wstring root = std::wstring(hostile) + L"\\";
  std::wstring deep = root + L"deep";
  for (int i = 1; i <= 40; ++i)
    deep += L"\\d" + std::to_wstring(i);
  const std::wstring swiftgate_record = deep + L"\\Swiftgate.record.txt";
  const std::wstring confera_record = root + L"link\\out\\Confera.record.txt";
  ::DeleteFileW(swiftgate_record.c_str());
  ::DeleteFileW(confera_record.c_str());
  const std::wstring launcher = root + L"Quillon.exe";
  ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"Quillon.exe").c_str(), launcher.c_str(), FALSE));
  RemoveTree(ProductDataFolder());
  ASSERT_TRUE(
      WriteRegistryValue(HKEY_CURRENT_USER, kUserKey, L"SETUP_SWIFTGATE_MSG", RegistryValue()));
  bool asked = false;
  RunOptions options;
  options.launcher = launcher;
  options.environment = {{L"QUILLON_TEST_ADMINISTRATORS", L"1"}, {L"QUILLON_TEST_SHIFT", L"0"}};
  options.on_window = [&](const WindowInfo& w) {
    if (!w.Control(1004))
      return false;
    asked = true;
    ActOnSetupDialog(w.window, "yes no");
    return true;
  };
  RunResult r = RunLauncher(options);
  ::DeleteFileW(launcher.c_str());
  ASSERT_TRUE(r.Ended()) << r.Describe();
  EXPECT_TRUE(asked) << r.Describe();
  EXPECT_EQ(RecordedStarts(swiftgate_record, L" /update"), 1);
  EXPECT_TRUE(PollUntil("Confera.exe's end", 5000,
                        [] { return ProcessesNamed({L"Confera.exe"}).empty(); }));
  EXPECT_FALSE(FileExists(confera_record));
  EXPECT_TRUE(ViewerStarted());
}

}  // namespace
}  // namespace quillon::helpers
