// The checks of a stick's files, read through the platform's profile
// functions as the launcher reads them: the language index Language.cfg,
// every language file it lists (and Language.cfg as the fallback file), and
// the settings file Setting.ini, all in the stick's .cfg folder.
#ifndef QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_
#define QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_

#include <string>
#include <vector>

#include "tools/stick_check/findings.h"

namespace stick_check {

// A language file that the stick offers (key |number| of section File), or
// the fallback file Language.cfg (number 0).
struct StickLanguage {
  int number;
  std::wstring file;  // as listed: 0409.cfg, or Language.cfg
  std::wstring path;  // full path
  std::wstring name;  // the language's English name, or "fallback"
  bool exists;
};

struct StickReport {
  Findings findings;
  std::vector<StickLanguage> languages;  // the File run in order, then Language.cfg
};

// Checks the stick whose root folder is |root| (a full path ending with a
// backslash). Needs this program's own resources (dialogs and string table).
StickReport CheckStick(const std::wstring& root);

// The language key of |message| without its padding blanks; empty when none.
std::wstring KeyOf(unsigned message);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_
