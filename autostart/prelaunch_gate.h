// The gate before the deployment: the state of the product's background
// service and the user's rights decide whether the start goes on, offers the
// auto-start set-up, ends with a message, or runs the companion's update. It
// leaves ServiceReady behind.
#ifndef QUILLON_AUTOSTART_PRELAUNCH_GATE_H_
#define QUILLON_AUTOSTART_PRELAUNCH_GATE_H_

namespace quillon {

// True when the start goes on. False when it must end; the gate has shown its
// own message where one is due (651, 556, or the update question answered
// No). ServiceReady holds the answer of the gate's latest service probe.
bool PreLaunchGate();

// Whether the set-up question is to be asked whatever the service's state:
// not when the user's SETUP_SWIFTGATE_MSG is REG_DWORD 0 or the stick's
// Language.cfg sets it to 0 (Shift held sets the user's value to 1 first);
// otherwise when a companion program is on the stick.
bool SetupPromptWanted();

// The question whether the stick's companion is to update the service:
// messages 556 and 588 in a warning box with Yes and No. True for Yes.
bool AskCompanionUpdate();

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_PRELAUNCH_GATE_H_
