// Message IDs: every text that the launcher shows is named by one, and the
// deployment's result codes are message IDs too. The numbers are stable: the
// string table and the language files are keyed by them.
#ifndef QUILLON_LAUNCHER_TEXT_MESSAGE_IDS_H_
#define QUILLON_LAUNCHER_TEXT_MESSAGE_IDS_H_

#include <windows.h>

namespace quillon {

enum MessageId : UINT {
  kMsgOk = 501,  // success; never shown
  kMsgButtonOk = 509,
  kMsgButtonCancel = 510,
  kMsgTitle = 515,
  kMsgErrorOther = 518,
  kMsgErrorWinver = 519,
  kMsgErrorAccount = 526,
  kMsgErrorStickEnrol = 556,
  kMsgWaitCannot = 557,
  kMsgWaitKillProcess = 558,
  kMsgSetupSwiftgate = 559,
  kMsgButtonYes = 560,
  kMsgButtonNo = 561,
  kMsgNoMessage = 562,
  kMsg360Check = 569,
  kMsgAvastCheck = 570,
  kMsgAvastSkip = 571,
  kMsgAvastIgnore = 572,
  kMsgAvastAbort = 573,
  kMsgUpdateStickEnrol = 588,
  kMsgCheckVersion = 613,
  kMsgStewardryExist = 642,
  kMsgErrorSkipSetup = 651,
  kMsgErrorVt6 = 655,
  kMsgConferaExist = 656,
  kMsgLanguage = 674,
  // Result codes of the deployment.
  kResultOwnPathUnreadable = 718,
  kResultPathFormat = 720,
  kResultViewer = 721,
  kResultFolders = 722,
  kResultShortcut = 732,
  kResultDriverVt = 828,
  kResultDriverXm = 829,
  // 64-bit Windows: ostrelvtex_x64.exe couldn't be written.
  kResultOstrelVtExProgram = 838,
};

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_TEXT_MESSAGE_IDS_H_
