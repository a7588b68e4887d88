// Yes/no questions about the running Windows: its reported version, whether
// the native system is 32-bit x86, and whether the user's token holds the
// Administrators group. Nothing is cached; every call asks the system afresh.
#ifndef QUILLON_ENVIRONMENT_PLATFORM_PLATFORM_H_
#define QUILLON_ENVIRONMENT_PLATFORM_PLATFORM_H_

#include <windows.h>

namespace quillon {

// The major and minor version number that the system reports to this
// program (GetVersionExW, plain record). A failing query gives 0.0, which no
// predicate accepts.
struct ReportedVersion {
  DWORD major;
  DWORD minor;
};
ReportedVersion GetReportedVersion();

// Version predicates on the major and minor number that the system reports
// to this program (GetVersionExW); unsigned comparisons.
bool IsWindowsXpOrLater();  // major > 5, or 5.1 and later
bool IsWindows2000();       // 5.0
bool IsWindowsXp();         // 5.1
bool IsWindowsVista();      // 6.0
bool IsWindows7();          // 6.1
bool IsWindows8();          // 6.2

// True when GetNativeSystemInfo exists and reports the x86 architecture (0).
// 64-bit Windows, also for a 32-bit program under its emulation layer, and a
// system without the procedure answer false.
bool IsNative32Bit();

// True when one of the current process token's groups is the Administrators
// group (S-1-5-32-544), by membership alone: enabled and deny-only groups
// count alike. Groups that carry the logon-SID flags never match. False when
// the token or its groups can't be read.
bool IsAdministratorsMember();

// The scan behind IsAdministratorsMember, over a token-groups record.
bool TokenGroupsIncludeAdministrators(const TOKEN_GROUPS& groups);

// The shell's answer whether the user has administrator rights
// (IsUserAnAdmin), through the test seam below.
bool UserIsAdmin();

// Test seams (support/scoped_override.h) for what Wine can't vary: the
// native system's architecture, the shell's administrator answer and the
// token's Administrators group (Wine's token always holds it). -1 asks the
// system; 0 or 1 is the answer.
extern int g_native32_for_testing;
extern int g_user_admin_for_testing;
extern int g_administrators_for_testing;

}  // namespace quillon

#endif  // QUILLON_ENVIRONMENT_PLATFORM_PLATFORM_H_
