// A language file's section Quillon: its keys, and its texts against the
// launcher's buffers and the controls that show them.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "autostart/setup_dialog.h"
#include "autostart/user_values.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "localization/files/current_language_file.h"
#include "tools/stick_check/screens.h"
#include "tools/stick_check/stick_files.h"
#include "tools/stick_check/text_fit.h"

namespace stick_check {
namespace {

using namespace quillon;

std::vector<std::wstring> KnownLanguageKeys() {
  std::vector<std::wstring> keys;
  UINT id = 0;
  for (size_t i = 0; const wchar_t* key = LanguageKeyAt(i, &id); ++i)
    keys.push_back(Trim(key));
  keys.push_back(kSetupPromptValue);
  return keys;
}

void CheckKeys(const StickFile& file, bool is_index) {
  static const std::vector<std::wstring> known = KnownLanguageKeys();
  const std::vector<std::wstring> keys = KeyNames(kStickSection, file.path);
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::wstring& key = keys[i];
    for (size_t j = 0; j < i; ++j) {
      if (SameName(keys[j], key)) {
        file.Add(kWarning, kStickSection, key,
                 L"appears more than once: the launcher reads the first");
        break;
      }
    }
    if (SameName(key, kSetupPromptValue)) {
      if (!is_index) {
        file.Add(kWarning, kStickSection, key,
                 L"read only from Language.cfg: here it has no effect");
      }
      continue;
    }
    if (!Contains(known, key)) {
      file.Add(kWarning, kStickSection, key,
               L"the launcher knows no such key" + Suggestion(key, known));
    }
  }
}

// |n| with a comma between thousands: 1,023.
std::wstring Grouped(size_t n) {
  std::wstring text = std::to_wstring(n);
  for (size_t at = text.size(); at > 3; at -= 3)
    text.insert(at - 3, L",");
  return text;
}

// The texts against the launcher's buffers; the file is the current one and
// |parameter| the stick's VT_Parameter.
void CheckTexts(const StickFile& file, const std::wstring& parameter) {
  const std::vector<std::wstring> keys = KeyNames(kStickSection, file.path);
  std::map<UINT, size_t> lengths;
  for (UINT id : RequestedMessages()) {
    const std::wstring key = KeyOf(id);
    const std::wstring value = ReadValue(kStickSection, key, file.path);
    lengths[id] = value.size();
    if (value.empty()) {
      wchar_t own[8] = {};
      const bool in_table = ::LoadStringW(::GetModuleHandleW(nullptr), id, own, 8) > 0;
      file.Add(kError, kStickSection, key,
               std::wstring(Contains(keys, key) ? L"empty" : L"missing") + L": the user sees " +
                   (in_table ? L"the program's own text " : L"the generic error text ") +
                   Quote(GetMessageText(id)));
      continue;
    }
    if (value.size() >= kLanguageTextCapacity) {
      file.Add(kError, kStickSection, key,
               std::to_wstring(value.size()) + L" characters: only the first 2,047 are read");
    }
    const size_t limit = TextLimit(id, parameter);
    if (value.size() <= limit)
      continue;
    // The generic text is followed by "(718)" and the like in a message text;
    // a label is cut at its own end, after the text.
    const TextForm form = LabelFormOf(id);
    const std::wstring shows =
        id == kMsgErrorOther ? L"as the generic error text followed by its message number "
                               L"(\"(718)\") it is cut at 1,023, and the number is lost"
        : id == kMsgTitle ? L"every title bar shows the first " + Grouped(limit)
        : form == TextForm::kLink
            ? L"its link, \"<a>...</a>\" around it, holds " + Grouped(kLinkLabelCapacity - 1) +
                  L" characters: the link's end is cut"
        : form == TextForm::kCheckLabel
            ? L"with a blank and VT_Parameter (" + std::to_wstring(parameter.size()) +
                  L" characters) after it, its check box's label passes " +
                  Grouped(kCheckLabelCapacity - 1) + L": VT_Parameter's end is cut"
        : ShownInMessageBox(id) ? L"its message box shows the first " + Grouped(limit)
                                : L"a dialog shows only the first " + Grouped(limit);
    file.Add(kError, kStickSection, key, std::to_wstring(value.size()) + L" characters: " + shows);
  }
  // The question joins the two texts as shown, a missing one from the string table.
  const size_t question = std::wcslen(GetMessageText(kMsgErrorStickEnrol)) + 2 +
                          std::wcslen(GetMessageTextAlt(kMsgUpdateStickEnrol));
  if ((lengths[kMsgErrorStickEnrol] > 0 || lengths[kMsgUpdateStickEnrol] > 0) &&
      question >= kMessageTextCapacity) {
    file.Add(kError, kStickSection, KeyOf(kMsgUpdateStickEnrol),
             L"the update question (ERROR_STICK_ENROL, a blank line, this text) has " +
                 std::to_wstring(question) + L" characters: its message box shows the first 1,023");
  }
}

// The file's texts in the dialogs' controls; the file is the current one.
void CheckFit(const StickFile& file, const std::wstring& parameter) {
  // (dialog, control, message) done: the two warnings share dialog 258.
  std::vector<std::pair<std::pair<int, int>, UINT>> measured;
  std::vector<int> captions;
  for (const Screen& screen : AllScreens()) {
    if (screen.kind != ScreenKind::kDialog)
      continue;
    HWND dialog = CreateHiddenDialog(screen.dialog);
    if (!dialog) {
      file.findings->push_back(
          {kError, L"(program)", L"", L"",
           L"dialog " + std::to_wstring(screen.dialog) + L" can't be created here: not measured"});
      continue;
    }
    for (const ControlText& text : screen.texts) {
      const auto place = std::make_pair(std::make_pair(screen.dialog, text.control), text.message);
      if (std::find(measured.begin(), measured.end(), place) != measured.end())
        continue;
      // Only the file's own texts; a missing one has its finding already.
      if (ReadValue(kStickSection, KeyOf(text.message), file.path).empty())
        continue;
      measured.push_back(place);
      const std::wstring problem =
          MeasureControlFit(dialog, text.control, ComposeText(text, parameter));
      if (!problem.empty()) {
        file.Add(kError, kStickSection, KeyOf(text.message),
                 L"does not fit control " + std::to_wstring(text.control) + L" of the " +
                     screen.title + L": " + problem);
      }
    }
    const bool caption_from_file =
        !ReadValue(kStickSection, KeyOf(screen.caption), file.path).empty();
    if (caption_from_file &&
        std::find(captions.begin(), captions.end(), screen.dialog) == captions.end()) {
      captions.push_back(screen.dialog);
      const std::wstring caption =
          screen.caption == kMsgTitle ? GetCaptionText() : GetMessageText(screen.caption);
      const std::wstring problem = MeasureCaptionFit(dialog, caption);
      if (!problem.empty()) {
        file.Add(
            kError, kStickSection, KeyOf(screen.caption),
            L"does not fit the title bar of the " + std::wstring(screen.title) + L": " + problem);
      }
    }
    ::DestroyWindow(dialog);
  }
}

}  // namespace

void CheckLanguageFile(const StickFile& file, bool is_index, const std::wstring& parameter) {
  // The index's other sections are checked with the index.
  if (!is_index)
    CheckSections(file, {kStickSection});
  CheckEncoding(file);
  CheckKeys(file, is_index);
  // The launcher's own lookup gives the texts as the user sees them.
  SetCurrentLanguageFile(file.path.c_str());
  CheckTexts(file, parameter);
  CheckFit(file, parameter);
}

}  // namespace stick_check
