// Finds, reads and presses the windows of another process, for end-to-end
// tests that start the launcher and answer its message boxes and dialogs as a
// user would. Runs beside the launcher on the same (virtual) display.
#ifndef QUILLON_TESTS_HELPERS_UI_ROBOT_H_
#define QUILLON_TESTS_HELPERS_UI_ROBOT_H_

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace quillon::helpers {

// The window class of dialogs and message boxes.
extern const wchar_t kDialogClass[];
// The control ID of a message box's text.
constexpr int kMessageBoxTextId = 65535;

struct ControlInfo {
  int id = 0;
  std::wstring class_name;
  std::wstring text;
  DWORD style = 0;  // WS_VISIBLE, BS_..., SS_... as the control has them
};

// What a top-level window showed when it was read.
struct WindowInfo {
  HWND window = nullptr;
  std::wstring class_name;
  std::wstring caption;
  DWORD style = 0;
  DWORD ex_style = 0;  // WS_EX_TOPMOST among them
  // The text of the static control 65535: a message box's message.
  std::wstring text;
  // Every child control in Z order.
  std::vector<ControlInfo> controls;
  // A dialog whose children are the text control, an optional icon and
  // buttons with the standard IDs only (IDOK to IDCONTINUE): a message box.
  bool is_message_box = false;
  // Milliseconds from the start of the watch until the window was read.
  DWORD seen_after_ms = 0;

  // The control with |id|, or null.
  const ControlInfo* Control(int id) const;
  // One line per window and control, for failure messages.
  std::string Describe() const;
};

// The visible top-level windows of |process_id|, in Z order (topmost first).
// |class_name| empty: every class; otherwise only that class.
std::vector<HWND> FindTopLevelWindows(DWORD process_id, const std::wstring& class_name);

// Reads caption, message text and child controls of |window|.
WindowInfo ReadWindow(HWND window);

// The text of any window, own process or not (WM_GETTEXT with a time-out).
std::wstring WindowText(HWND window);

// Presses the button |control_id| of |dialog| with BM_CLICK. When the dialog
// has no such child, sends WM_COMMAND with the ID to the dialog instead (as
// Enter or Esc would for IDOK and IDCANCEL). False when the message could not
// be delivered within 5 seconds.
bool PressButton(HWND dialog, int control_id);
// Presses the first button whose text equals |text| (BM_CLICK). False when
// there is none or the message could not be delivered.
bool PressButtonWithText(HWND dialog, const std::wstring& text);

// Posts |key| pressed and released (WM_KEYDOWN, WM_KEYUP; with |alt| held,
// WM_SYSKEYDOWN, WM_SYSKEYUP), as a keyboard sends it, to |target|; null: to
// the control that has the keyboard focus in |window|'s thread, or |window|
// itself when none has. False when a message couldn't be posted.
bool PostKey(HWND window, HWND target, WPARAM key, bool alt = false);

// Posts a left click (WM_LBUTTONDOWN, WM_LBUTTONUP at client point 4,4), as
// the mouse sends it, to |control|: it goes through the owner's message loop.
// False when a message couldn't be posted.
bool PostClick(HWND control);

// Waits (PollUntil) at most |timeout_ms| for a visible top-level window of
// |process_id| and |class_name| (empty: any). Returns it, or null.
HWND WaitForWindow(DWORD process_id, const std::wstring& class_name, DWORD timeout_ms);

// Waits (PollUntil) at most |timeout_ms| until |window| is destroyed or hidden.
::testing::AssertionResult WaitForWindowGone(HWND window, DWORD timeout_ms);

// Waits (PollUntil) at most |timeout_ms| until |window|'s text equals |text|:
// a dialog relabels itself after the window that asked for it has gone.
::testing::AssertionResult WaitForWindowText(HWND window,
                                             const std::wstring& text,
                                             DWORD timeout_ms);

// Watches one process and the processes it started (a launcher started
// through another program): each Poll() returns their windows that became
// visible since the last poll, each window once for as long as it exists,
// and counts them.
class UiRobot {
 public:
  explicit UiRobot(DWORD process_id);
  UiRobot(const UiRobot&) = delete;
  UiRobot& operator=(const UiRobot&) = delete;

  // New visible top-level windows (any class) of the process, read.
  std::vector<WindowInfo> Poll();
  // How many windows Poll() has returned so far.
  size_t SeenCount() const { return seen_count_; }

 private:
  DWORD process_id_;
  DWORD start_tick_;
  // Windows already returned that still exist; a window is forgotten once it
  // is gone, so a later window that reuses its handle counts as new.
  std::set<HWND> known_;
  size_t seen_count_ = 0;
};

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_UI_ROBOT_H_
