#include "tools/stick_check/screens.h"

#include <strsafe.h>

#include <algorithm>
#include <cwchar>

#include "autostart/setup_dialog.h"
#include "environment/antivirus_warnings.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "launcher/wait_window.h"
#include "localization/language_dialog.h"

namespace stick_check {

using namespace quillon;

namespace {

// A dialog's controls: |first|, then the launcher's table of the dialog,
// then |last|.
template <size_t N>
std::vector<ControlText> Controls(const DialogText (&table)[N],
                                  std::vector<ControlText> first = {},
                                  const std::vector<ControlText>& last = {}) {
  for (const DialogText& text : table)
    first.push_back({text.control_id, text.message_id, TextForm::kPlain});
  first.insert(first.end(), last.begin(), last.end());
  return first;
}

Screen Dialog(const wchar_t* name,
              const wchar_t* title,
              int dialog,
              UINT caption,
              std::vector<ControlText> texts,
              bool version_box = false) {
  return {name, title, ScreenKind::kDialog, dialog, caption, std::move(texts), version_box};
}

// A message box of one message, after the language file is resolved.
Screen Box(const wchar_t* name, const wchar_t* title, UINT message) {
  return {name, title, ScreenKind::kMessageBox, 0, kMsgTitle, {{0, message, TextForm::kPlain}},
          false};
}

// The buffer that a text of |form| is formatted into.
size_t LabelCapacity(TextForm form) {
  return form == TextForm::kCheckLabel ? kCheckLabelCapacity
         : form == TextForm::kLink     ? kLinkLabelCapacity
                                       : kMessageTextCapacity;
}

// |message| as a control of |form| shows it, cut where its buffer cuts it.
std::wstring Label(TextForm form, const wchar_t* message, const std::wstring& parameter) {
  std::wstring label(LabelCapacity(form), L'\0');
  if (form == TextForm::kCheckLabel)
    ::StringCchPrintfW(&label[0], label.size(), kCheckLabelFormat, message, parameter.c_str());
  else if (form == TextForm::kLink)
    ::StringCchPrintfW(&label[0], label.size(), kLinkLabelFormat, message);
  else
    return message;
  label.resize(std::wcslen(label.c_str()));
  return label;
}

// The warning's own text, then the table both warnings share.
std::vector<ControlText> WarningControls(UINT warning) {
  return Controls(kWarningTexts, {{kWarningText, warning, TextForm::kPlain}});
}

}  // namespace

const std::vector<Screen>& AllScreens() {
  const ControlText link = {kLanguageLink, kMsgLanguage, TextForm::kLink};
  static const std::vector<Screen> screens = {
      Dialog(L"150-wait", L"Wait window (150)", kWaitDialog, kMsgTitle, Controls(kWaitTexts)),
      Dialog(L"257-setup-version", L"Set-up question with version check (257)", kSetupDialog,
             kMsgTitle,
             Controls(kSetupTexts, {},
                      {{kVersionCheck, kMsgCheckVersion, TextForm::kCheckLabel}, link}),
             true),
      Dialog(L"257-setup", L"Set-up question (257)", kSetupDialog, kMsgTitle,
             Controls(kSetupTexts, {}, {link})),
      Dialog(L"258-avast", L"Avast warning (258)", kWarningDialog, kMsgTitle,
             WarningControls(kMsgAvastCheck)),
      Dialog(L"258-360", L"360 warning (258)", kWarningDialog, kMsgTitle,
             WarningControls(kMsg360Check)),
      Dialog(L"259-language", L"Language choice (259)", kLanguageDialog, kMsgLanguage,
             Controls(kLanguageDialogTexts)),
      {L"msg-518",
       L"No stick drive (518)",
       ScreenKind::kMessageBox,
       0,
       kMsgTitle,
       {{0, kMsgErrorOther, TextForm::kPlain}},
       false,
       true},
      Box(L"msg-655", L"Previous generation running (655)", kMsgErrorVt6),
      Box(L"msg-642", L"Stewardry running (642)", kMsgStewardryExist),
      Box(L"msg-656", L"Confera running (656)", kMsgConferaExist),
      Box(L"msg-519", L"Unsupported Windows (519)", kMsgErrorWinver),
      Box(L"msg-651", L"Set-up needed (651)", kMsgErrorSkipSetup),
      Box(L"msg-556", L"Service not supported (556)", kMsgErrorStickEnrol),
      {L"msg-556-588",
       L"Companion update question (556, 588)",
       ScreenKind::kQuestion,
       0,
       kMsgTitle,
       {{0, kMsgErrorStickEnrol, TextForm::kPlain}, {0, kMsgUpdateStickEnrol, TextForm::kPlain}},
       false},
      Box(L"msg-526", L"Limited account (526)", kMsgErrorAccount),
      Box(L"msg-718", L"Own path unreadable (718)", kResultOwnPathUnreadable),
      Box(L"msg-720", L"Viewer path not formed (720)", kResultPathFormat),
      Box(L"msg-721", L"Viewer not written (721)", kResultViewer),
      Box(L"msg-722", L"Folders not made (722)", kResultFolders),
      Box(L"msg-732", L"Viewer not started (732)", kResultShortcut),
      Box(L"msg-828", L"Driver not written (828)", kResultDriverVt),
      Box(L"msg-829", L"Driver not written (829)", kResultDriverXm),
      Box(L"msg-838", L"Component not written (838)", kResultOstrelVtExProgram),
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

size_t TextLimit(UINT message, const std::wstring& parameter) {
  if (message == kMsgTitle)
    return kCaptionCapacity - 1;
  // The generic text's number is three digits for every result of a start.
  size_t limit = kMessageTextCapacity - 1 - (message == kMsgErrorOther ? std::wcslen(L"(718)") : 0);
  // A label holds the message and the format's own characters.
  for (const Screen& screen : AllScreens()) {
    for (const ControlText& text : screen.texts) {
      if (text.message == message) {
        limit =
            std::min(limit, LabelCapacity(text.form) - 1 - Label(text.form, L"", parameter).size());
      }
    }
  }
  return limit;
}

TextForm LabelFormOf(UINT message) {
  for (const Screen& screen : AllScreens()) {
    for (const ControlText& text : screen.texts) {
      if (text.message == message && text.form != TextForm::kPlain)
        return text.form;
    }
  }
  return TextForm::kPlain;
}

std::wstring ComposeText(const ControlText& text, const std::wstring& parameter) {
  return Label(text.form, quillon::GetMessageText(text.message), parameter);
}

std::wstring ComposeBoxText(const Screen& screen) {
  std::wstring text = quillon::GetMessageText(screen.texts[0].message);
  if (screen.texts.size() > 1)
    text += L"\n\n" + std::wstring(quillon::GetMessageText(screen.texts[1].message));
  // The launcher formats the question into a message text's characters.
  if (text.size() >= kMessageTextCapacity)
    text.resize(kMessageTextCapacity - 1);
  return text;
}

}  // namespace stick_check
