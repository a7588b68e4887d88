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

// PublishUserEnvironment for a program in |module_folder| (drive and folder,
// as GetModuleFolder gives them): the drive letter is its first character.
// Does nothing when |module_folder| is null or empty.
void PublishUserEnvironmentFor(const wchar_t* module_folder);

}  // namespace quillon

#endif  // QUILLON_USERENV_USER_ENVIRONMENT_H_
