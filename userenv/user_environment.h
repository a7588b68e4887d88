// The two per-user environment variables that tell the product's programs
// where the stick is (Portico = "E:") and which parameter it carries
// (VT_Parameter from the stick's Setting.ini).
#ifndef QUILLON_USERENV_USER_ENVIRONMENT_H_
#define QUILLON_USERENV_USER_ENVIRONMENT_H_

namespace quillon {

// Writes Portico and VT_Parameter under HKCU\Environment and broadcasts
// WM_SETTINGCHANGE ("Environment"). Reports nothing; a value that can't be
// written is skipped.
void PublishUserEnvironment();

}  // namespace quillon

#endif  // QUILLON_USERENV_USER_ENVIRONMENT_H_
