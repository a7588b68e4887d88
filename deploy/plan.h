// The deployment: every component of the running bitness written in plan
// order into the per-user data folder and its library folder, the shortcut to
// the viewer saved and opened.
#ifndef QUILLON_DEPLOY_PLAN_H_
#define QUILLON_DEPLOY_PLAN_H_

#include <windows.h>

#include <cstddef>

#include "support/path_buffer.h"

namespace quillon {

// Where a component goes and what its failure means.
enum class ComponentFolder { kData, kLibrary };
enum class OnFailure {
  kIgnore,     // the start goes on
  kViewer,     // the viewer check decides (721)
  kDriverVt,   // a present copy of the row's kept version is accepted, otherwise 828
  kDriverXm,   // the same, otherwise 829
  kEssential,  // 838
};

// One line of the component table (deploy/components.def).
struct ComponentRow {
  int row;                   // 1..14, as numbered in the plan
  const wchar_t* resource;   // payload resource name
  const wchar_t* file_name;  // file written
  ComponentFolder folder;
  OnFailure on_failure;
  int kept_version[4];  // the ProductVersion a present copy must have (kDriverVt, kDriverXm)
};

// The rows of the plan for a 32-bit (|native32|) or 64-bit system, in order.
// |*count| receives the number of rows.
const ComponentRow* ComponentTable(bool native32, size_t* count);

// The paths of the launch in |data_folder|: the shortcut "Quillon.lnk" and
// the viewer "Portico.exe" that it starts. 0, or 720 when either doesn't fit.
UINT FormatLaunchPaths(const wchar_t* data_folder, PathBuffer* shortcut, PathBuffer* viewer);

// Runs the deployment and the launch of the viewer. Returns 501 on success,
// otherwise the result code of the first fatal failure (526, 718, 720, 721,
// 722, 732, 828, 829, 838). Everything written before a failure stays.
UINT DeployComponents();

}  // namespace quillon

#endif  // QUILLON_DEPLOY_PLAN_H_
