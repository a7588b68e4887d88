#include "autostart/prelaunch_gate.h"

#include <windows.h>
#include <strsafe.h>

#include "autostart/companions.h"
#include "autostart/ready/service_ready.h"
#include "autostart/setup_dialog.h"
#include "autostart/user_values.h"
#include "environment/platform/platform.h"
#include "launcher/paths/module_paths.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "service/service_probe.h"
#include "support/path_buffer.h"

namespace quillon {
namespace {

// What one probe of the service found.
struct ServiceState {
  bool ready = false;
  // Whether it understands the version request.
  bool accepted = false;
};

// Probes the service and stores its readiness in ServiceReady, which the
// deployment reads: it always holds the latest probe's answer.
ServiceState ProbeAndStoreServiceState() {
  ServiceState state;
  state.ready = ProbeServiceState(&state.accepted);
  SetServiceReady(state.ready);
  return state;
}

bool SwiftgateOnStick(const wchar_t* module_folder) {
  PathBuffer path;
  return module_folder && FindSwiftgate(module_folder, &path);
}

bool ConferaOnStick(const wchar_t* module_folder) {
  PathBuffer path;
  return module_folder && FindConfera(module_folder, &path);
}

// The stick's own SETUP_SWIFTGATE_MSG: [Quillon] of the Language.cfg at its
// root, default 1.
int StickSetupPrompt(const wchar_t* module_folder) {
  PathBuffer index;
  if (!module_folder || !StickLanguageIndexPath(module_folder[0], &index))
    return 1;
  return static_cast<int>(
      ::GetPrivateProfileIntW(kStickSection, kSetupPromptValue, 1, index.Get()));
}

}  // namespace

bool SetupPromptWanted() {
  if (ShiftIsDown())
    WriteUserDword(kSetupPromptValue, 1);
  DWORD user_prompt = 1;
  if (ReadUserDword(kSetupPromptValue, &user_prompt) && user_prompt == 0)
    return false;
  const wchar_t* module_folder = GetModuleFolder();
  if (StickSetupPrompt(module_folder) == 0)
    return false;
  return ConferaOnStick(module_folder) || SwiftgateOnStick(module_folder);
}

bool PreLaunchGate() {
  const wchar_t* module_folder = GetModuleFolder();
  ServiceState service = ProbeAndStoreServiceState();

  const bool wanted = SetupPromptWanted();
  if (wanted || (!(service.ready && service.accepted) && !IsAdministratorsMember() &&
                 SwiftgateOnStick(module_folder))) {
    WriteUserDword(kAutoUpdateValue, 0);
    if (ShowSetupDialog() == kSetupSettingsStarted)
      return false;
    service = ProbeAndStoreServiceState();
  }

  // Every ordinary start ends here.
  if (service.ready && service.accepted && !ShiftIsDown())
    return true;
  if (!IsAdministratorsMember()) {
    ShowErrorMessage(kMsgErrorSkipSetup);
    return false;
  }
  if (ShiftIsDown())
    WriteUserDword(kSetupPromptValue, 1);
  service = ProbeAndStoreServiceState();
  // A missing service is left to the deployment.
  if (!service.ready || service.accepted)
    return true;

  // The service runs and is current but doesn't understand the version
  // request: its companion on the stick may update it.
  if (!SwiftgateOnStick(module_folder)) {
    ShowErrorMessage(kMsgErrorStickEnrol);
    return false;
  }
  if (!AskCompanionUpdate())
    return false;
  return RunSwiftgateUpdate() != 0;
}

bool AskCompanionUpdate() {
  wchar_t question[kMessageTextCapacity];
  ::StringCchPrintfW(question, kMessageTextCapacity, L"%s\n\n%s",
                     GetMessageText(kMsgErrorStickEnrol), GetMessageTextAlt(kMsgUpdateStickEnrol));
  return ::MessageBoxW(nullptr, question, GetCaptionText(), MB_ICONWARNING | MB_YESNO) == IDYES;
}

}  // namespace quillon
