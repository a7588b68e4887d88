// Reading back a saved shell shortcut, as the shell sees it.
#ifndef QUILLON_TESTS_HELPERS_SHORTCUT_FILE_H_
#define QUILLON_TESTS_HELPERS_SHORTCUT_FILE_H_

#include <string>

namespace quillon::helpers {

struct SavedLink {
  bool loaded = false;  // false when the file isn't a shortcut the shell can load
  std::wstring path;    // the target, as stored
  std::wstring arguments;
};

// Loads |file| into a shell link object and reads its target and arguments.
SavedLink ReadLink(const std::wstring& file);

}  // namespace quillon::helpers

#endif  // QUILLON_TESTS_HELPERS_SHORTCUT_FILE_H_
