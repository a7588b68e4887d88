// The companion programs that may travel on the stick in any folder: the
// auto-start companion Swiftgate.exe (accepted from ProductVersion 6, 0, 0, 18
// on) and the settings tool Confera.exe. The stick is walked at most once per
// start; the first accepted copy of each is remembered for the rest of it.
#ifndef QUILLON_AUTOSTART_COMPANIONS_H_
#define QUILLON_AUTOSTART_COMPANIONS_H_

#include "support/path_buffer.h"

namespace quillon {

// The first accepted Swiftgate.exe on the stick whose drive letter is the
// first character of |module_folder|, in a depth-first, pre-order walk from its
// root: a file of that name in any case whose ProductVersion has a first
// number of at least 6 and a fourth of at least 18. True with its full path
// in |out|; false leaves |out| untouched.
bool FindSwiftgate(const wchar_t* module_folder, PathBuffer* out);

// The same for the first Confera.exe, whatever its version.
bool FindConfera(const wchar_t* module_folder, PathBuffer* out);

// Forgets the walk, so that the next search walks the stick again. Tests only.
void ForgetStickWalkForTesting();

}  // namespace quillon

#endif  // QUILLON_AUTOSTART_COMPANIONS_H_
