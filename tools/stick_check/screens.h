// Every window that a start of the launcher can show, with the messages that
// fill it: the dialogs (by template and control) and the message boxes. The
// checker measures the dialogs' texts from this table and the gallery shows
// each entry; the gallery also compares it with the real dialogs.
#ifndef QUILLON_TOOLS_STICK_CHECK_SCREENS_H_
#define QUILLON_TOOLS_STICK_CHECK_SCREENS_H_

#include <windows.h>

#include <string>
#include <vector>

namespace stick_check {

enum class TextForm {
  kPlain,       // the message's text
  kCheckLabel,  // the message, a blank, the stick's VT_Parameter
  kLink,        // the message inside <a>...</a>
};

struct ControlText {
  int control;
  UINT message;
  TextForm form;
};

enum class ScreenKind { kDialog, kMessageBox, kQuestion };

struct Screen {
  const wchar_t* name;   // file-name part: "258-avast"
  const wchar_t* title;  // what it is, for people
  ScreenKind kind;
  int dialog;                      // template of a dialog
  UINT caption;                    // the message in the title bar
  std::vector<ControlText> texts;  // a dialog's controls; a box's message(s)
  bool version_box;                // dialog 257: with the version-check box
  // Shown before the language file is resolved: always the string table's text.
  bool before_language = false;
};

// The screens in the order the gallery shows them.
const std::vector<Screen>& AllScreens();

// Every message ID that a screen shows and that has a language key, once.
std::vector<UINT> RequestedMessages();

// True when |message| is shown in a message box after the language file is
// resolved (its text is then cut at 1,023 characters).
bool ShownInMessageBox(UINT message);

// The longest value of |message|'s key that a start shows whole, by the
// launcher's buffers: 31 characters for the title; 1,023 for any other text
// (a message text), 1,018 for the generic error text (which it follows with a
// message number, "(718)"), less where a label is formatted into a smaller
// buffer: 248 for the language link, 510 less the length of |parameter|
// (the stick's VT_Parameter) for the version-check box.
size_t TextLimit(UINT message, const std::wstring& parameter);

// The form of the labels that show |message|: kLink or kCheckLabel when a
// control formats it so, else kPlain.
TextForm LabelFormOf(UINT message);

// The text of |text| as its control shows it, from the current language
// file, cut where the launcher's buffer cuts it; |parameter| is the stick's
// VT_Parameter.
std::wstring ComposeText(const ControlText& text, const std::wstring& parameter);

// The text of a message box screen: its message, or two joined by a blank line.
std::wstring ComposeBoxText(const Screen& screen);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_SCREENS_H_
