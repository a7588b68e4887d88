#include "launcher/text/messages.h"

#include <sstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "launcher/launch.h"
#include "launcher/paths/module_paths.h"
#include "launcher/text/message_ids.h"
#include "localization/files/current_language_file.h"
#include "support/handles.h"
#include "support/scoped_override.h"
#include "tests/helpers/test_files.h"
#include "tests/helpers/ui_robot.h"

namespace quillon {
namespace {

using helpers::Narrow;
using helpers::TempDir;
using helpers::WriteUtf16;

constexpr wchar_t kOtherText[] = L"Some errors occurred.(RC)";

// Points CurrentLanguageFile at a language file that the test writes (none
// at first, and none afterwards).
class MessagesTest : public ::testing::Test {
 protected:
  MessagesTest() { SetCurrentLanguageFile(L""); }
  ~MessagesTest() override { SetCurrentLanguageFile(L""); }

  // Writes |lines| as the section Quillon of a UTF-16 language file and makes
  // it the current one.
  void UseLanguageFile(const std::wstring& lines) {
    const std::wstring path = dir_.Join(L"0409.cfg");
    ASSERT_TRUE(WriteUtf16(path, L"[Quillon]\r\n" + lines));
    ASSERT_TRUE(SetCurrentLanguageFile(path.c_str()));
  }

  TempDir dir_;
};

std::wstring Trimmed(const wchar_t* key) {
  std::wstring text = key;
  while (!text.empty() && text.back() == L' ')
    text.pop_back();
  return text;
}

TEST_F(MessagesTest, ResultCodesWithoutKey) {
  for (UINT id : {500u, 502u, 718u, 720u, 722u, 828u, 829u, 838u, 831u}) {
    EXPECT_EQ(nullptr, LanguageKeyOf(id)) << id;
  }
  EXPECT_EQ(L"ERROR_721", Trimmed(LanguageKeyOf(721)));
  EXPECT_EQ(L"ERROR_830", Trimmed(LanguageKeyOf(830)));
}

// Every message ID that has a language key, and the key as the language files
// name it.
const wchar_t kEveryKey[] =
    L"501 OK 506 STATIC_PASSWORD 507 CHECK_DISPPASS 508 CHECK_SAVEPASS 509 BUTTON_OK "
    L"510 BUTTON_CANCEL 511 WAIT_APP 514 QUIT_PROCESS 515 TITLE 516 WAIT 517 WAIT_QUIT "
    L"518 ERROR_OTHER 519 ERROR_WINVER 520 ERROR_NODISK 522 ERROR_ACCESS "
    L"524 ERROR_SECURITY_INIT 525 ERROR_EXIST 526 ERROR_ACOUNT 528 BUTTON_RETRY "
    L"532 ERROR_NOINSTALL 536 ERROR_DISABLE_CHECK 537 ERROR_ENABLE_CHECK 540 ERROR_COINIT "
    L"541 ERROR_PASSWORD 542 ERROR_ENCODE 543 ERROR_LOCK 545 DISCONNECT 546 CONNECT "
    L"548 ERROR_OLDSERVICE 556 ERROR_STICK_ENROL 557 WAIT_CANNOT 558 WAIT_KILLPROCESS "
    L"559 SETUP_SWIFTGATE 560 BUTTON_YES 561 BUTTON_NO 562 NO_MESSAGE 563 CLOSE_APP "
    L"569 360CHECK_MSG 570 AVASTCHECK_MSG 571 AVASTCHECK_SKIP 572 AVASTCHECK_IGNORE "
    L"573 AVASTCHECK_ABORT 588 UPDATE_STICK_ENROL 594 ERROR_DEVICE_GETINFO "
    L"595 ERROR_DEVICE_CHANGE 596 ERROR_DEVICE_REBOOT 597 ERROR_FLUSH "
    L"598 ERROR_GETPARTITION 599 ERROR_GETDISKINFO 613 CHECK_VERSION 614 UPDATE_DOWNLOAD "
    L"615 UPDATE_INSTALL 616 UPDATE_OK 617 UPDATE_NG 618 UPDATE_NG_DOWNLOAD "
    L"619 UPDATE_NG_FILE 620 UPDATE_NG_START 621 UPDATE_CURRENT 622 UPDATE_LATEST "
    L"623 UPDATE_AVAILABLE1 624 UPDATE_AVAILABLE2 625 UPDATE_NONE1 626 UPDATE_NONE2 "
    L"627 BUTTON_UPDATE 628 SUPPORT_NUMBER 629 ERRORINFO 630 ERRORINFO_SAVE "
    L"631 ERRORINFO_MSG 632 ERRORINFO_OK 633 ERRORINFO_CANCEL 634 ERRORINFO_VERCHECK "
    L"635 ERRORINFO_SAVEOK 636 ERRORINFO_SAVENG 637 ERRORINFO_SENDOK 638 ERRORINFO_SENDNG "
    L"639 ERRORINFO_SENDING 640 ERRORINFO_CONTACT 641 ERRORINFO_CONTACTMSG "
    L"642 STEWARDRY_EXIST 643 CANCEL_MESSAGE 644 ERROR_COUNT_LOCK 645 EXIT_MESSAGE "
    L"646 REMOVE_OK 647 REMOVE_NG 648 REMOVE_RETRY 649 REMOVE_CONFIRM 650 REMOVE_RETRY1 "
    L"651 ERROR_SKIP_SETUP 654 ERROR_PASSWORDTIMES 655 ERROR_VT6 656 CONFERA_EXIST "
    L"657 BUTTON_EXIT 674 LANGUAGE 700 ERROR_700 701 ERROR_701 702 ERROR_702 "
    L"721 ERROR_721 731 ERROR_731 732 ERROR_732 823 ERROR_823 830 ERROR_830 ";

// A language file whose every key holds its own ID: each ID reads its own
// key, and no other ID has one.
TEST_F(MessagesTest, EachIdReadsItsOwnKey) {
  std::wistringstream pairs(kEveryKey);
  std::wstring file;
  std::vector<UINT> ids;
  UINT id = 0;
  for (std::wstring key; pairs >> id >> key;) {
    file += key + L"=" + std::to_wstring(id) + L"\r\n";
    ids.push_back(id);
  }
  UseLanguageFile(file);
  for (UINT each : ids)
    EXPECT_EQ(std::to_wstring(each), LookupLanguageText(each)) << each;
  size_t count = 0;
  while (LanguageKeyAt(count, &id))
    ++count;
  EXPECT_EQ(count, ids.size());
}

TEST_F(MessagesTest, WithoutLanguageFileTextsComeFromTheStringTable) {
  struct Case {
    UINT id;
    const wchar_t* text;
  };
  const Case cases[] = {
      {501, L"処理は正常に終了しました。(RC)"},
      {515, L"Vaultine(RC)"},
      {519, L"The version of Windows doesn't correspond.(RC)"},
      {526, L"Error\n\nIt is not treatable in Limited acount.(RC)"},
      {556, L"対応していないSwiftgate.exeがインストールされています。(RC)"},
      {559, L"Porticoの自動起動を行うために\nSwiftgate.exeをセットアップしますか？(RC)"},
      {569,
       L"360アンチウイルスソフトが検知されました。360を一時的に停止するか、警告メッセージにて許可し"
       L"た"
       L"上、危険と誤検知されたファイルを処理しないでください。"},
      {651, L"自動起動をセットアップしてご利用いただくか、 管理者アカウントでご利用ください。(RC)"},
      {655, L"共存できないディスクが動作しています。(RC)"},
      {674, L"Language"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::wstring(c.text), GetMessageText(c.id)) << c.id;
    EXPECT_STREQ(L"", LookupLanguageText(c.id)) << c.id;
  }
  EXPECT_STREQ(L"Vaultine(RC)", GetCaptionText());
}

TEST_F(MessagesTest, UnknownIdsShowTheGenericTextAndTheNumber) {
  // 721 has a key but no string-table text; the others have neither.
  for (UINT id : {718u, 720u, 721u, 722u, 732u, 829u, 838u, 999u}) {
    EXPECT_EQ(std::wstring(kOtherText) + L"(" + std::to_wstring(id) + L")", GetMessageText(id))
        << id;
  }
}

TEST_F(MessagesTest, FallbackUsesTheLanguageFileTextOfTheGenericError) {
  UseLanguageFile(L"ERROR_OTHER=Unexpected error\r\n");
  EXPECT_STREQ(L"Unexpected error(718)", GetMessageText(718));
}

TEST_F(MessagesTest, LanguageFileTextWinsOverTheStringTable) {
  UseLanguageFile(L"ERROR_WINVER=Unsupported Windows\r\nTITLE=Vaultine\r\n");
  EXPECT_STREQ(L"Unsupported Windows", LookupLanguageText(519));
  EXPECT_STREQ(L"Unsupported Windows", GetMessageText(519));
  EXPECT_STREQ(L"Vaultine", GetCaptionText());
  // A key that the file lacks falls through to the string table.
  EXPECT_STREQ(L"OK(RC)", GetMessageText(509));
}

TEST_F(MessagesTest, PaddedAndUnpaddedKeysNameTheSameEntry) {
  // The table stores these keys padded; the file names them plainly...
  UseLanguageFile(L"ERROR_VT6=Other disk\r\nLANGUAGE=Sprache\r\n");
  ASSERT_NE(Trimmed(LanguageKeyOf(674)), std::wstring(LanguageKeyOf(674))) << "674 is padded";
  EXPECT_STREQ(L"Other disk", GetMessageText(655));
  EXPECT_STREQ(L"Sprache", GetMessageText(674));
  // ...and a file may pad a key that the table stores plainly.
  UseLanguageFile(L"ERROR_WINVER    =Padded in the file\r\n  TITLE =Caption\r\n");
  EXPECT_STREQ(L"Padded in the file", GetMessageText(519));
  EXPECT_STREQ(L"Caption", GetCaptionText());
}

TEST_F(MessagesTest, BackslashNBecomesCrLf) {
  struct Case {
    const wchar_t* value;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"Line one\\nLine two", L"Line one\r\nLine two"},
      {L"\\nfirst", L"\r\nfirst"},
      {L"last\\n", L"last\r\n"},
      {L"a\\n\\nb", L"a\r\n\r\nb"},
      {L"\\\\n", L"\\\r\n"},
      {L"back\\slash \\t stays", L"back\\slash \\t stays"},
      {L"N\\N", L"N\\N"},
  };
  for (const Case& c : cases) {
    UseLanguageFile(std::wstring(L"ERROR_WINVER=") + c.value + L"\r\n");
    EXPECT_EQ(std::wstring(c.expected), LookupLanguageText(519)) << Narrow(c.value);
    EXPECT_EQ(std::wstring(c.expected), GetMessageText(519)) << Narrow(c.value);
  }
}

TEST_F(MessagesTest, EmptyValueFallsThroughToTheStringTable) {
  UseLanguageFile(L"ERROR_WINVER=\r\nTITLE=\r\n");
  EXPECT_STREQ(L"", LookupLanguageText(519));
  EXPECT_STREQ(L"The version of Windows doesn't correspond.(RC)", GetMessageText(519));
  EXPECT_STREQ(L"Vaultine(RC)", GetCaptionText());
}

TEST_F(MessagesTest, IdWithoutKeyIgnoresTheLanguageFile) {
  UseLanguageFile(L"718=Never read\r\nERROR_718=Never read\r\n");
  EXPECT_STREQ(L"", LookupLanguageText(718));
  EXPECT_EQ(std::wstring(kOtherText) + L"(718)", GetMessageText(718));
}

TEST_F(MessagesTest, MissingLanguageFileFallsThroughToTheStringTable) {
  ASSERT_TRUE(SetCurrentLanguageFile(dir_.Join(L"missing.cfg").c_str()));
  EXPECT_STREQ(L"Cancel(RC)", GetMessageText(510));
}

TEST_F(MessagesTest, TheLanguageFileIsReadAnewOnEveryLookup) {
  UseLanguageFile(L"BUTTON_OK=First\r\n");
  EXPECT_STREQ(L"First", GetMessageText(509));
  UseLanguageFile(L"BUTTON_OK=Second\r\n");
  EXPECT_STREQ(L"Second", GetMessageText(509));
}

TEST_F(MessagesTest, TwoBuffersHoldTwoTexts) {
  const wchar_t* first = GetMessageText(556);
  const wchar_t* second = GetMessageTextAlt(588);
  EXPECT_NE(first, second);
  EXPECT_STREQ(L"対応していないSwiftgate.exeがインストールされています。(RC)", first);
  EXPECT_STREQ(L"Swiftgate automatic update?(RC)", second);
}

struct CapacityCase {
  UINT id;
  size_t capacity;
  const wchar_t* expected;
};

void ExpectCapacities(const CapacityCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const CapacityCase& c = cases[i];
    // A guard character behind the buffer must survive.
    wchar_t buffer[64];
    for (wchar_t& ch : buffer)
      ch = L'#';
    EXPECT_EQ(buffer, GetMessageTextInto(c.id, buffer, c.capacity));
    EXPECT_EQ(std::wstring(c.expected), buffer) << c.id << " capacity " << c.capacity;
    EXPECT_EQ(L'#', buffer[c.capacity]) << c.id << " capacity " << c.capacity;
  }
}

TEST_F(MessagesTest, StringTableTextIsCutToTheCapacity) {
  // "Vaultine(RC)" has 12 characters.
  const CapacityCase cases[] = {
      {515, 13, L"Vaultine(RC)"},
      {515, 12, L"Vaultine(RC"},
      {515, 2, L"V"},
  };
  ExpectCapacities(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(MessagesTest, LanguageFileTextIsCutToTheCapacity) {
  UseLanguageFile(L"BUTTON_OK=Hello\r\nERROR_WINVER=Two\\nLines\r\n");
  const CapacityCase cases[] = {
      {509, 6, L"Hello"},         {509, 5, L"Hell"},         {509, 1, L""},
      {519, 11, L"Two\r\nLines"}, {519, 10, L"Two\r\nLine"},
  };
  ExpectCapacities(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(MessagesTest, FallbackTextIsCutToTheCapacity) {
  // "Some errors occurred.(RC)(718)" has 30 characters.
  const CapacityCase cases[] = {
      {718, 31, L"Some errors occurred.(RC)(718)"},
      {718, 30, L"Some errors occurred.(RC)(718"},
      {718, 26, L"Some errors occurred.(RC)"},
      {718, 1, L""},
  };
  ExpectCapacities(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(MessagesTest, CaptionHoldsAtMost31Characters) {
  const std::wstring title(40, L'T');
  UseLanguageFile(L"TITLE=" + title + L"\r\n");
  EXPECT_EQ(title.substr(0, 31), GetCaptionText());
  UseLanguageFile(L"TITLE=" + title.substr(0, 31) + L"\r\n");
  EXPECT_EQ(title.substr(0, 31), GetCaptionText());
}

TEST_F(MessagesTest, MessageTextHoldsAtMost1023Characters) {
  const std::wstring text(1500, L'x');
  UseLanguageFile(L"ERROR_WINVER=" + text + L"\r\n");
  EXPECT_EQ(1500u, std::wstring(LookupLanguageText(519)).size());
  EXPECT_EQ(text.substr(0, 1023), GetMessageText(519));
  EXPECT_EQ(text.substr(0, 1023), GetMessageTextAlt(519));
}

TEST_F(MessagesTest, LanguageTextHoldsAtMost2047Characters) {
  const std::wstring text(2100, L'y');
  UseLanguageFile(L"ERROR_WINVER=" + text + L"\r\n");
  EXPECT_EQ(text.substr(0, 2047), LookupLanguageText(519));
}

// Windows for the dialog set-up and centring tests, destroyed at the end.
class ScopedWindow {
 public:
  ScopedWindow(const wchar_t* class_name,
               DWORD style,
               int x,
               int y,
               int width,
               int height,
               HWND parent,
               int id = 0)
      : window_(::CreateWindowExW(0,
                                  class_name,
                                  L"",
                                  style,
                                  x,
                                  y,
                                  width,
                                  height,
                                  parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  nullptr,
                                  nullptr)) {}
  ~ScopedWindow() {
    if (window_)
      ::DestroyWindow(window_);
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_;
};

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

TEST_F(MessagesTest, DialogSetUpPutsCaptionAndControlTextsInPlace) {
  UseLanguageFile(L"BUTTON_OK=Okay\r\n");
  ScopedWindow dialog(L"STATIC", WS_POPUP, 10, 10, 300, 200, nullptr);
  ASSERT_NE(nullptr, dialog.Get());
  ScopedWindow ok(L"BUTTON", WS_CHILD, 0, 0, 80, 20, dialog.Get(), 1);
  ScopedWindow cancel(L"BUTTON", WS_CHILD, 90, 0, 80, 20, dialog.Get(), 2);
  const DialogText texts[] = {{1, kMsgButtonOk}, {2, kMsgButtonCancel}};
  InitLocalizedDialog(dialog.Get(), texts, 2);
  EXPECT_EQ(L"Vaultine(RC)", WindowText(dialog.Get()));
  EXPECT_EQ(L"Okay", WindowText(ok.Get()));
  EXPECT_EQ(L"Cancel(RC)", WindowText(cancel.Get()));
  RECT desktop = {};
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  RECT placed = {};
  ::GetWindowRect(dialog.Get(), &placed);
  const RECT original = {10, 10, 310, 210};
  POINT expected = CenteredPosition(original, desktop, desktop);
  EXPECT_EQ(expected.x, placed.left);
  EXPECT_EQ(expected.y, placed.top);
  EXPECT_EQ(300, placed.right - placed.left);
}

// What a message box of this process showed: read, and its first button
// pressed, from another thread while the box runs.
struct BoxSeen {
  DWORD thread_id = 0;  // of the box's thread, told to quit when no box comes
  helpers::WindowInfo info;
  HWND owner = nullptr;
  HICON icon = nullptr;
  std::vector<int> buttons;
};

DWORD WINAPI ReadAndAnswerBox(void* parameter) {
  auto* seen = static_cast<BoxSeen*>(parameter);
  HWND box = helpers::WaitForWindow(::GetCurrentProcessId(), helpers::kDialogClass, 5000);
  if (!box) {
    ::PostThreadMessageW(seen->thread_id, WM_QUIT, 0, 0);
    return 1;
  }
  seen->info = helpers::ReadWindow(box);
  seen->owner = ::GetWindow(box, GW_OWNER);
  for (const helpers::ControlInfo& control : seen->info.controls) {
    if (::lstrcmpiW(control.class_name.c_str(), L"Button") == 0)
      seen->buttons.push_back(control.id);
    if (::lstrcmpiW(control.class_name.c_str(), L"Static") == 0 &&
        (control.style & SS_TYPEMASK) == SS_ICON) {
      seen->icon =
          reinterpret_cast<HICON>(::SendDlgItemMessageW(box, control.id, STM_GETICON, 0, 0));
    }
  }
  return seen->buttons.empty() || helpers::PressButton(box, seen->buttons[0]) ? 0 : 1;
}

// No owner, even when this thread has an active window; the error icon; OK
// alone.
TEST_F(MessagesTest, ErrorBoxHasNoOwnerTheErrorIconAndOkAlone) {
  ScopedWindow active(L"STATIC", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr);
  ::SetActiveWindow(active.Get());
  BoxSeen seen;
  seen.thread_id = ::GetCurrentThreadId();
  KernelHandle watcher(::CreateThread(nullptr, 0, ReadAndAnswerBox, &seen, 0, nullptr));
  ASSERT_TRUE(watcher.IsValid());
  ShowErrorMessage(kMsgErrorWinver);
  ASSERT_EQ(::WaitForSingleObject(watcher.Get(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(seen.info.text, L"The version of Windows doesn't correspond.(RC)");
  EXPECT_EQ(seen.info.caption, L"Vaultine(RC)");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_HAND));
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
}

// A launcher whose own path can't be read or has no drive letter has no
// stick: the generic error, and the start ends.
TEST_F(MessagesTest, LauncherWithoutAStickDriveShowsTheGenericError) {
  for (const wchar_t* path : {L"", L"\\\\server\\share\\Quillon.exe"}) {
    ScopedOverride<const wchar_t*> own_path(g_own_path_for_testing, path);
    BoxSeen seen;
    seen.thread_id = ::GetCurrentThreadId();
    KernelHandle watcher(::CreateThread(nullptr, 0, ReadAndAnswerBox, &seen, 0, nullptr));
    ASSERT_TRUE(watcher.IsValid());
    EXPECT_EQ(RunLauncher(), 0) << Narrow(path);
    ASSERT_EQ(::WaitForSingleObject(watcher.Get(), 5000), WAIT_OBJECT_0) << Narrow(path);
    EXPECT_EQ(seen.info.text, kOtherText) << Narrow(path);
  }
}

TEST(CenterWindowTest, OwnedPopupIsCentredOnItsOwner) {
  ScopedWindow owner(L"STATIC", WS_POPUP, 100, 120, 400, 300, nullptr);
  ScopedWindow popup(L"STATIC", WS_POPUP, 0, 0, 201, 101, owner.Get());
  ASSERT_NE(nullptr, popup.Get());
  CenterWindow(popup.Get());
  RECT placed = {};
  ::GetWindowRect(popup.Get(), &placed);
  EXPECT_EQ(100 + (400 - 201) / 2, placed.left);
  EXPECT_EQ(120 + (300 - 101) / 2, placed.top);
  EXPECT_EQ(201, placed.right - placed.left);
  EXPECT_EQ(101, placed.bottom - placed.top);
}

struct PlacementCase {
  const char* name;
  RECT window;
  RECT parent;
  RECT desktop;
  POINT expected;
};

TEST(CenteredPositionTest, Table) {
  const RECT desktop = {0, 0, 1280, 1024};
  const PlacementCase cases[] = {
      {"centred on the desktop", {0, 0, 200, 100}, desktop, desktop, {540, 462}},
      {"the window's old place doesn't matter",
       {900, 700, 1100, 800},
       desktop,
       desktop,
       {540, 462}},
      {"centred on a parent", {0, 0, 100, 50}, {200, 300, 600, 500}, desktop, {350, 375}},
      {"odd difference truncates", {0, 0, 50, 50}, {0, 0, 101, 103}, desktop, {25, 26}},
      // -51 / 2 is -25 (toward zero), not -26.
      {"negative odd difference truncates toward zero",
       {0, 0, 151, 151},
       {100, 100, 200, 200},
       desktop,
       {75, 75}},
      {"exactly at the right edge stays", {0, 0, 200, 50}, {1080, 0, 1280, 50}, desktop, {1080, 0}},
      {"beyond the right edge moves left",
       {0, 0, 200, 50},
       {1200, 0, 1280, 100},
       desktop,
       {1080, 25}},
      {"beyond the bottom edge moves up",
       {0, 0, 100, 200},
       {0, 1000, 100, 1024},
       desktop,
       {0, 824}},
      {"before the left edge moves right", {0, 0, 200, 50}, {-50, 0, 50, 100}, desktop, {0, 25}},
      {"above the top edge moves down", {0, 0, 100, 200}, {0, -40, 100, 60}, desktop, {0, 0}},
      {"one pixel beyond the bottom-right corner",
       {0, 0, 100, 100},
       {1182, 926, 1280, 1024},
       desktop,
       {1180, 924}},
      {"wider and taller than the desktop", {0, 0, 1400, 1100}, desktop, desktop, {0, 0}},
      {"wider than the desktop, on a parent at the right",
       {0, 0, 1400, 100},
       {1000, 0, 1280, 100},
       desktop,
       {0, 0}},
      {"desktop with an offset origin",
       {0, 0, 2000, 1000},
       {100, 50, 1100, 850},
       {100, 50, 1100, 850},
       {100, 50}},
      {"parent of odd size", {0, 0, 10, 10}, {0, 0, 15, 15}, desktop, {2, 2}},
  };
  for (const PlacementCase& c : cases) {
    POINT p = CenteredPosition(c.window, c.parent, c.desktop);
    EXPECT_EQ(c.expected.x, p.x) << c.name;
    EXPECT_EQ(c.expected.y, p.y) << c.name;
  }
}

}  // namespace
}  // namespace quillon
