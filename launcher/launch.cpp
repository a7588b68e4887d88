#include "launcher/launch.h"

#include "autostart/prelaunch_gate.h"
#include "deploy/plan.h"
#include "environment/antivirus_warnings.h"
#include "environment/conflicting_tools.h"
#include "environment/platform/platform.h"
#include "launcher/paths/module_paths.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "launcher/wait_window.h"
#include "localization/language_files.h"
#include "localization/locale_setting.h"
#include "support/ascii_text.h"
#include "support/handles.h"
#include "support/path_buffer.h"
#include "support/sleep.h"
#include "userenv/user_environment.h"

namespace quillon {
namespace {

// The product's named mutexes (plain names, no namespace prefix).
// Held by this launcher for the whole start: one launcher at a time.
constexpr wchar_t kInstanceMutex[] = L"_OstrelVT7_Mutex2";
// Held by the product's previous generation, which can't run beside this one.
constexpr wchar_t kPreviousGenerationMutex[] = L"_OstrelVT_Mutex";
// Held while a component of the product has the stick in use; only probed.
constexpr wchar_t kBusyMutex[] = L"_OstrelVT7_Mutex";
// Held by the product's start: a busy stick is waited for only while it exists.
constexpr wchar_t kStartMutex[] = L"_VaultineStart_";

// The wait window's bar counts seconds up to 90 of 100; the wait goes on.
constexpr int kWaitRange = 100;
constexpr DWORD kWaitShownSecondsCap = 90;
constexpr DWORD kWaitIdleMs = 100;

// True when another component of the product holds the busy mutex. The probe
// creates the mutex (with initial ownership) and closes it again at once; a
// create that fails for another reason counts as "not busy".
bool StickIsBusy() {
  KernelHandle probe(::CreateMutexW(nullptr, TRUE, kBusyMutex));
  return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// Keys typed as the system posts them: pressed and released, and the
// characters made of them. The system's keys (with Alt: Alt+F4 closes the
// window, which cancels the wait, as its close box does) are not among them.
bool IsTypedKey(const MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
      return true;
  }
  return false;
}

// The steps of one start after the language is known, in their fixed order.
// Each answers whether the start goes on, having shown its own message where
// one is due.

// The product's previous generation can't run beside this one.
bool NoPreviousGenerationRuns() {
  if (!MutexExists(kPreviousGenerationMutex))
    return true;
  ShowErrorMessage(kMsgErrorVt6);
  return false;
}

bool AntivirusWarningsPassed() {
  return CheckAvastWarning() != kWarningAbort && Check360Warning() != kWarningAbort;
}

// The product's own tools: each check shows its message where one is due.
bool NoConflictingToolRuns() {
  return CheckStewardryRunning() == 0 && CheckKeepsafeRunning() == 0;
}

// The Windows-version gate: the reported version decides, and the stick's
// settings file is read only when the version alone doesn't let the start go on.
bool WindowsVersionAccepted(wchar_t drive) {
  const ReportedVersion version = GetReportedVersion();
  if (IsSupportedWindows(version.major, version.minor, IsNative32Bit()))
    return true;
  PathBuffer settings;
  if (StickSettingsPath(drive, &settings) && IsVersionCheckDisabled(settings.Get()))
    return true;
  ShowErrorMessage(kMsgErrorWinver);
  return false;
}

// Another component may have the stick in use. Without the product's start
// mutex there is nothing to wait for: the start ends silently. With it, the
// start waits until the stick is free or the user cancels.
bool StickFree() {
  if (!StickIsBusy())
    return true;
  return MutexExists(kStartMutex) && WaitWhileStickIsBusy();
}

// The last step: the deployment's result other than success is shown here.
void DeployAndLaunch() {
  const UINT result = DeployComponents();
  if (result != kMsgOk)
    ShowErrorMessage(result);
}

}  // namespace

bool WaitWhileStickIsBusy() {
  if (!ShowWaitWindow(nullptr, kWaitRange)) {
    ShowErrorMessage(kMsgErrorOther);
    return false;
  }
  const DWORD start = RetryTickCount();
  for (;;) {
    MSG message;
    if (::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      // 0 is the quit message that the window's end posts.
      if (::GetMessageW(&message, nullptr, 0, 0) <= 0)
        break;
      // Typed keys are dropped, never dispatched: the window comes up over
      // the program the user was typing in, with the keyboard on its
      // force-quit button, and a push button answers Space by itself. Only
      // the mouse works the buttons.
      if (!IsTypedKey(message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    } else {
      RetrySleep(kWaitIdleMs);
      DWORD seconds = (RetryTickCount() - start) / 1000;
      if (seconds > kWaitShownSecondsCap)
        seconds = kWaitShownSecondsCap;
      UpdateWaitWindow(static_cast<int>(seconds));
    }
    if (!StickIsBusy())
      CloseWaitWindow();
  }
  return !WaitCancelled();
}

bool IsSupportedWindows(DWORD major, DWORD minor, bool native32) {
  if (major == 6 && (minor == 2 || minor == 1))
    return true;
  // XP and Vista only as 32-bit systems.
  return native32 && ((major == 5 && minor == 1) || (major == 6 && minor == 0));
}

bool IsVersionCheckDisabled(const wchar_t* settings_path) {
  wchar_t value[64] = {};
  ::GetPrivateProfileStringW(kStickSection, kVersionCheckKey, L"", value, 64, settings_path);
  return EqualsIgnoringAsciiCase(value, L"Disable");
}

int RunLauncher() {
  ApplyLocaleSetting();

  // Every path on the stick is built from the drive letter of the program's
  // own folder. Without one (the path can't be split, or the program was
  // started from a network path) there is no stick to work with, and no
  // language file: the message comes from the string table.
  const wchar_t* module_folder = GetModuleFolder();
  if (!module_folder || !IsDriveLetterPath(module_folder)) {
    ShowErrorMessage(kMsgErrorOther);
    return 0;
  }
  const wchar_t drive = module_folder[0];

  // From here on every text of the start is in the user's language.
  ResolveCurrentLanguageFile(module_folder);

  // One launcher at a time: a second one ends silently. The mutex is held
  // until the start ends.
  KernelHandle instance(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
  if (::GetLastError() == ERROR_ALREADY_EXISTS)
    return 0;

  // The guards, the version gate, the busy stick, then the gate of the
  // background service and the user's rights.
  if (NoPreviousGenerationRuns() && AntivirusWarningsPassed() && NoConflictingToolRuns() &&
      WindowsVersionAccepted(drive) && StickFree() && PreLaunchGate()) {
    PublishUserEnvironment();
    DeployAndLaunch();
  }
  return 0;
}

}  // namespace quillon
