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

// Test seams for what Wine can't vary: the native system's architecture and
// the shell's administrator answer. Each scoped object installs its value for
// its lifetime and puts the previous hook back.
class ScopedNative32BitForTesting {
 public:
  explicit ScopedNative32BitForTesting(bool native32);
  ~ScopedNative32BitForTesting();
  ScopedNative32BitForTesting(const ScopedNative32BitForTesting&) = delete;
  ScopedNative32BitForTesting& operator=(const ScopedNative32BitForTesting&) = delete;

 private:
  int previous_;
};

// Wine's token always holds the Administrators group: this one sets
// IsAdministratorsMember's answer.
class ScopedAdministratorsMemberForTesting {
 public:
  explicit ScopedAdministratorsMemberForTesting(bool member);
  ~ScopedAdministratorsMemberForTesting();
  ScopedAdministratorsMemberForTesting(const ScopedAdministratorsMemberForTesting&) = delete;
  ScopedAdministratorsMemberForTesting& operator=(const ScopedAdministratorsMemberForTesting&) =
      delete;

 private:
  int previous_;
};

class ScopedUserIsAdminForTesting {
 public:
  explicit ScopedUserIsAdminForTesting(bool admin);
  ~ScopedUserIsAdminForTesting();
  ScopedUserIsAdminForTesting(const ScopedUserIsAdminForTesting&) = delete;
  ScopedUserIsAdminForTesting& operator=(const ScopedUserIsAdminForTesting&) = delete;

 private:
  int previous_;
};

}  // namespace quillon

#endif  // QUILLON_ENVIRONMENT_PLATFORM_PLATFORM_H_
