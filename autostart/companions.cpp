#include "autostart/companions.h"

#include "support/ascii_text.h"
#include "support/handles.h"
#include "support/version_info.h"

namespace quillon {
namespace {

constexpr wchar_t kSwiftgate[] = L"Swiftgate.exe";
constexpr wchar_t kConfera[] = L"Confera.exe";
constexpr int kSwiftgateMinimumMajor = 6;
constexpr int kSwiftgateMinimumFourth = 18;

// What the one walk found.
struct Companions {
  bool walked = false;
  wchar_t drive = L'\0';
  bool swiftgate_found = false;
  PathBuffer swiftgate;
  bool confera_found = false;
  PathBuffer confera;
};
Companions g_companions;

bool BothFound() {
  return g_companions.swiftgate_found && g_companions.confera_found;
}

// Takes the file |name| in |folder| when it is the first accepted copy of a
// companion. An entry whose path doesn't fit 260 characters is skipped.
void ExamineFile(const PathBuffer& folder, const wchar_t* name) {
  const bool swiftgate = !g_companions.swiftgate_found && EqualsIgnoringAsciiCase(name, kSwiftgate);
  const bool confera = !g_companions.confera_found && EqualsIgnoringAsciiCase(name, kConfera);
  if (!swiftgate && !confera)
    return;
  PathBuffer path;
  if (!path.Join(folder.Get(), name))
    return;
  if (confera) {
    g_companions.confera_found = true;
    g_companions.confera = path;
  } else if (ProductVersionAtLeast(path.Get(), kSwiftgateMinimumMajor, kSwiftgateMinimumFourth)) {
    // A copy that is too old doesn't end the search: a later one may do.
    g_companions.swiftgate_found = true;
    g_companions.swiftgate = path;
  }
}

// Depth-first and pre-order: a sub-folder is walked as soon as it is met,
// before the rest of its folder. Stops once both companions are found; the
// order, and so each one's first accepted copy, is that of a walk for it
// alone. A folder that can't be listed holds nothing.
void Walk(const PathBuffer& folder) {
  PathBuffer pattern;
  if (!pattern.Join(folder.Get(), L"*.*"))
    return;
  WIN32_FIND_DATAW entry;
  FindHandle find(::FindFirstFileW(pattern.Get(), &entry));
  if (!find.IsValid())
    return;
  do {
    const wchar_t* name = entry.cFileName;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ExamineFile(folder, name);
      continue;
    }
    if ((name[0] == L'.' && name[1] == L'\0') ||
        (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0')) {
      continue;
    }
    // Junctions and links to folders are not entered: a link that leads back
    // up the tree would make the walk endless.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
      continue;
    PathBuffer child;
    if (child.Join(folder.Get(), name))
      Walk(child);
  } while (!BothFound() && ::FindNextFileW(find.Get(), &entry));
}

// Walks the stick of |module_folder| once per process (again only when asked
// for another drive).
void EnsureWalked(const wchar_t* module_folder) {
  const wchar_t drive = module_folder[0];
  if (g_companions.walked && g_companions.drive == drive)
    return;
  g_companions = Companions();
  g_companions.walked = true;
  g_companions.drive = drive;
  // The stick's root without a backslash: "X:".
  PathBuffer root;
  if (root.Format(L"%c:", drive))
    Walk(root);
}

}  // namespace

bool FindSwiftgate(const wchar_t* module_folder, PathBuffer* out) {
  EnsureWalked(module_folder);
  if (!g_companions.swiftgate_found)
    return false;
  *out = g_companions.swiftgate;
  return true;
}

bool FindConfera(const wchar_t* module_folder, PathBuffer* out) {
  EnsureWalked(module_folder);
  if (!g_companions.confera_found)
    return false;
  *out = g_companions.confera;
  return true;
}

void ForgetStickWalkForTesting() {
  g_companions = Companions();
}

}  // namespace quillon
