#include "tools/stick_check/screens.h"

#include <algorithm>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"

namespace stick_check {

using quillon::MessageId;

const std::vector<Screen>& AllScreens() {
  using namespace quillon;
  static const std::vector<Screen> screens = {
      {L"150-wait",
       L"Wait window (150)",
       ScreenKind::kDialog,
       150,
       kMsgTitle,
       {{2003, kMsgWaitCannot, TextForm::kPlain},
        {2002, kMsgWaitKillProcess, TextForm::kPlain},
        {1, kMsgButtonOk, TextForm::kPlain},
        {2, kMsgButtonCancel, TextForm::kPlain}},
       false},
      {L"257-setup-version",
       L"Set-up question with version check (257)",
       ScreenKind::kDialog,
       257,
       kMsgTitle,
       {{1002, kMsgSetupSwiftgate, TextForm::kPlain},
        {1001, kMsgNoMessage, TextForm::kPlain},
        {1, kMsgButtonYes, TextForm::kPlain},
        {2, kMsgButtonNo, TextForm::kPlain},
        {1003, kMsgCheckVersion, TextForm::kCheckLabel},
        {1004, kMsgLanguage, TextForm::kLink}},
       true},
      {L"257-setup",
       L"Set-up question (257)",
       ScreenKind::kDialog,
       257,
       kMsgTitle,
       {{1002, kMsgSetupSwiftgate, TextForm::kPlain},
        {1001, kMsgNoMessage, TextForm::kPlain},
        {1, kMsgButtonYes, TextForm::kPlain},
        {2, kMsgButtonNo, TextForm::kPlain},
        {1004, kMsgLanguage, TextForm::kLink}},
       false},
      {L"258-avast",
       L"Avast warning (258)",
       ScreenKind::kDialog,
       258,
       kMsgTitle,
       {{1002, kMsgAvastCheck, TextForm::kPlain},
        {1001, kMsgAvastSkip, TextForm::kPlain},
        {1, kMsgAvastIgnore, TextForm::kPlain},
        {2, kMsgAvastAbort, TextForm::kPlain}},
       false},
      {L"258-360",
       L"360 warning (258)",
       ScreenKind::kDialog,
       258,
       kMsgTitle,
       {{1002, kMsg360Check, TextForm::kPlain},
        {1001, kMsgAvastSkip, TextForm::kPlain},
        {1, kMsgAvastIgnore, TextForm::kPlain},
        {2, kMsgAvastAbort, TextForm::kPlain}},
       false},
      {L"259-language",
       L"Language choice (259)",
       ScreenKind::kDialog,
       259,
       kMsgLanguage,
       {{1, kMsgButtonOk, TextForm::kPlain}, {2, kMsgButtonCancel, TextForm::kPlain}},
       false},
      {L"msg-518",
       L"No stick drive (518)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorOther, TextForm::kPlain}},
       false,
       true},
      {L"msg-655",
       L"Previous generation running (655)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorVt6, TextForm::kPlain}},
       false},
      {L"msg-642",
       L"Stewardry running (642)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgStewardryExist, TextForm::kPlain}},
       false},
      {L"msg-656",
       L"Confera running (656)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgConferaExist, TextForm::kPlain}},
       false},
      {L"msg-519",
       L"Unsupported Windows (519)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorWinver, TextForm::kPlain}},
       false},
      {L"msg-651",
       L"Set-up needed (651)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorSkipSetup, TextForm::kPlain}},
       false},
      {L"msg-556",
       L"Service not supported (556)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorStickEnrol, TextForm::kPlain}},
       false},
      {L"msg-556-588",
       L"Companion update question (556, 588)",
       ScreenKind::kQuestion,
       0,
       kMsgTitle,
       {{0, kMsgErrorStickEnrol, TextForm::kPlain}, {0, kMsgUpdateStickEnrol, TextForm::kPlain}},
       false},
      {L"msg-526",
       L"Limited account (526)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorAccount, TextForm::kPlain}},
       false},
      {L"msg-718",
       L"Own path unreadable (718)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultOwnPathUnreadable, TextForm::kPlain}},
       false},
      {L"msg-720",
       L"Viewer path not formed (720)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultPathFormat, TextForm::kPlain}},
       false},
      {L"msg-721",
       L"Viewer not written (721)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultViewer, TextForm::kPlain}},
       false},
      {L"msg-722",
       L"Folders not made (722)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultFolders, TextForm::kPlain}},
       false},
      {L"msg-732",
       L"Viewer not started (732)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultShortcut, TextForm::kPlain}},
       false},
      {L"msg-828",
       L"Driver not written (828)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultDriverVt, TextForm::kPlain}},
       false},
      {L"msg-829",
       L"Driver not written (829)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultDriverXm, TextForm::kPlain}},
       false},
      {L"msg-838",
       L"Component not written (838)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kResultRow8, TextForm::kPlain}},
       false},
  };
  return screens;
}

std::vector<UINT> RequestedMessages() {
  std::vector<UINT> ids;
  auto add = [&ids](UINT id) {
    if (quillon::LanguageKeyOf(id) && std::find(ids.begin(), ids.end(), id) == ids.end())
      ids.push_back(id);
  };
  for (const Screen& screen : AllScreens()) {
    add(screen.caption);
    for (const ControlText& text : screen.texts)
      add(text.message);
  }
  add(quillon::kMsgErrorOther);  // the generic text of messages without one
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool ShownInMessageBox(UINT message) {
  for (const Screen& screen : AllScreens()) {
    if (screen.kind == ScreenKind::kDialog || screen.before_language)
      continue;
    for (const ControlText& text : screen.texts) {
      if (text.message == message)
        return true;
    }
  }
  return false;
}

std::wstring ComposeText(const ControlText& text, const std::wstring& parameter) {
  const std::wstring message = quillon::GetMessageText(text.message);
  switch (text.form) {
    case TextForm::kCheckLabel:
      return message + L" " + parameter;
    case TextForm::kLink:
      return L"<a>" + message + L"</a>";
    case TextForm::kPlain:
      break;
  }
  return message;
}

std::wstring ComposeBoxText(const Screen& screen) {
  std::wstring text = quillon::GetMessageText(screen.texts[0].message);
  if (screen.texts.size() > 1)
    text += L"\n\n" + std::wstring(quillon::GetMessageText(screen.texts[1].message));
  // The launcher formats the question into 1,024 characters.
  if (text.size() > 1023)
    text.resize(1023);
  return text;
}

}  // namespace stick_check
