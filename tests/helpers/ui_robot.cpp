#include "tests/helpers/ui_robot.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

#include "support/handles.h"
#include "tests/helpers/poll.h"
#include "tests/helpers/test_files.h"

namespace quillon::helpers {

const wchar_t kDialogClass[] = L"#32770";

namespace {

constexpr UINT kSendTimeoutMs = 5000;

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  int len = ::GetClassNameW(window, name, 256);
  return len > 0 ? std::wstring(name, len) : std::wstring();
}

struct FindContext {
  DWORD process_id;
  const std::wstring* class_name;
  std::vector<HWND>* found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<FindContext*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != context->process_id || !::IsWindowVisible(window))
    return TRUE;
  if (!context->class_name->empty() && ClassOf(window) != *context->class_name)
    return TRUE;
  context->found->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* info = reinterpret_cast<WindowInfo*>(param);
  // Only direct children: grandchildren belong to their own parents' controls.
  if (::GetParent(child) != info->window)
    return TRUE;
  ControlInfo control;
  control.id = ::GetDlgCtrlID(child);
  control.class_name = ClassOf(child);
  control.text = WindowText(child);
  control.style = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
  info->controls.push_back(control);
  return TRUE;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool LooksLikeMessageBox(const WindowInfo& info) {
  if (info.class_name != kDialogClass)
    return false;
  bool has_text = false;
  bool has_button = false;
  for (const ControlInfo& control : info.controls) {
    bool is_static = SameText(control.class_name, L"Static");
    bool is_button = SameText(control.class_name, L"Button");
    if (control.id == kMessageBoxTextId && is_static) {
      has_text = true;
    } else if (is_button && control.id >= IDOK && control.id <= IDCONTINUE) {
      has_button = true;
    } else if (!is_static) {
      return false;
    }
  }
  return has_text && has_button;
}

// |root| and every process that it started, directly or not, as far as they
// still run.
std::vector<DWORD> ProcessAndDescendants(DWORD root) {
  std::vector<DWORD> family = {root};
  SnapshotHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return family;
  std::vector<PROCESSENTRY32W> entries;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    entries.push_back(entry);
  }
  // Each round adds the children of the processes found so far.
  for (size_t known = 0; known != family.size();) {
    known = family.size();
    for (const PROCESSENTRY32W& e : entries) {
      bool child = std::find(family.begin(), family.end(), e.th32ParentProcessID) != family.end();
      bool listed = std::find(family.begin(), family.end(), e.th32ProcessID) != family.end();
      if (child && !listed && e.th32ProcessID != 0)
        family.push_back(e.th32ProcessID);
    }
  }
  return family;
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               &result) != 0;
}

}  // namespace

const ControlInfo* WindowInfo::Control(int id) const {
  for (const ControlInfo& control : controls) {
    if (control.id == id)
      return &control;
  }
  return nullptr;
}

std::string WindowInfo::Describe() const {
  char head[64] = {};
  std::snprintf(head, sizeof(head), "[%s at %lu ms] ", is_message_box ? "message box" : "window",
                static_cast<unsigned long>(seen_after_ms));
  std::string out = head + Narrow(class_name) + " \"" + Narrow(caption) + "\"";
  if (!text.empty())
    out += " text \"" + Narrow(text) + "\"";
  for (const ControlInfo& control : controls) {
    out += "\n    " + std::to_string(control.id) + " " + Narrow(control.class_name) + " \"" +
           Narrow(control.text) + "\"";
  }
  return out;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &length)) {
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
      text.resize(copied <= length ? copied : length);
      return text;
    }
  }
  // A hung window still has the text that the system keeps for it.
  wchar_t stored[1024] = {};
  int len = ::InternalGetWindowText(window, stored, 1024);
  return std::wstring(stored, len > 0 ? len : 0);
}

std::vector<HWND> FindTopLevelWindows(DWORD process_id, const std::wstring& class_name) {
  std::vector<HWND> found;
  FindContext context{process_id, &class_name, &found};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
  return found;
}

WindowInfo ReadWindow(HWND window) {
  WindowInfo info;
  info.window = window;
  info.class_name = ClassOf(window);
  info.caption = WindowText(window);
  info.style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
  info.ex_style = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
  ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&info));
  if (const ControlInfo* text = info.Control(kMessageBoxTextId))
    info.text = text->text;
  info.is_message_box = LooksLikeMessageBox(info);
  return info;
}

bool PressButton(HWND dialog, int control_id) {
  HWND button = ::GetDlgItem(dialog, control_id);
  if (button)
    return SendWithTimeout(button, BM_CLICK, 0, 0);
  return SendWithTimeout(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED), 0);
}

bool PressButtonWithText(HWND dialog, const std::wstring& text) {
  WindowInfo info = ReadWindow(dialog);
  for (const ControlInfo& control : info.controls) {
    if (SameText(control.class_name, L"Button") && control.text == text) {
      HWND button = ::GetDlgItem(dialog, control.id);
      return button && SendWithTimeout(button, BM_CLICK, 0, 0);
    }
  }
  return false;
}

bool PostKey(HWND window, HWND target, WPARAM key, bool alt) {
  if (!target) {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    target =
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus
            ? thread.hwndFocus
            : window;
  }
  // With Alt held the keyboard sends the system's key messages, with the
  // context bit (29) set.
  const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  const LPARAM context = alt ? 0x20000000 : 0;
  return ::PostMessageW(target, down, key, 1 | context) &&
         ::PostMessageW(target, up, key, static_cast<LPARAM>(0xC0000001 | context));
}

bool PostClick(HWND control) {
  return ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)) &&
         ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

HWND WaitForWindow(DWORD process_id, const std::wstring& class_name, DWORD timeout_ms) {
  std::vector<HWND> found;
  PollUntil("a window", timeout_ms, [&] {
    found = FindTopLevelWindows(process_id, class_name);
    return !found.empty();
  });
  return found.empty() ? nullptr : found.front();
}

::testing::AssertionResult WaitForWindowGone(HWND window, DWORD timeout_ms) {
  return PollUntil("the window to go", timeout_ms,
                   [&] { return !::IsWindow(window) || !::IsWindowVisible(window); });
}

::testing::AssertionResult WaitForWindowText(HWND window,
                                             const std::wstring& text,
                                             DWORD timeout_ms) {
  return PollUntil("the text \"" + Narrow(text) + "\"", timeout_ms,
                   [&] { return WindowText(window) == text; });
}

UiRobot::UiRobot(DWORD process_id) : process_id_(process_id), start_tick_(::GetTickCount()) {}

std::vector<WindowInfo> UiRobot::Poll() {
  for (auto it = known_.begin(); it != known_.end();) {
    it = ::IsWindow(*it) ? std::next(it) : known_.erase(it);
  }
  std::vector<WindowInfo> fresh;
  for (DWORD process : ProcessAndDescendants(process_id_)) {
    for (HWND window : FindTopLevelWindows(process, std::wstring())) {
      if (!known_.insert(window).second)
        continue;
      WindowInfo info = ReadWindow(window);
      info.seen_after_ms = ::GetTickCount() - start_tick_;
      fresh.push_back(info);
      ++seen_count_;
    }
  }
  return fresh;
}

}  // namespace quillon::helpers
