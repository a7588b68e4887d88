#include "environment/platform/platform.h"

#include <memory>

#include "support/handles.h"
#include "support/system_library.h"

namespace quillon {

int g_native32_for_testing = -1;
int g_user_admin_for_testing = -1;
int g_administrators_for_testing = -1;

namespace {

bool IsVersion(DWORD major, DWORD minor) {
  ReportedVersion version = GetReportedVersion();
  return version.major == major && version.minor == minor;
}

bool AskNative32Bit() {
  // Looked up at run time: Windows 2000 has no GetNativeSystemInfo.
  using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
  auto get_native_system_info = LookUpProcedure<GetNativeSystemInfoFn>(
      ::GetModuleHandleW(L"kernel32"), "GetNativeSystemInfo");
  if (!get_native_system_info)
    return false;
  SYSTEM_INFO info = {};
  get_native_system_info(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
}

// The shell's IsUserAnAdmin, looked up at run time: Windows 2000 exports it
// only by its ordinal, 680, so a by-name import would keep the program from
// loading there. False when the shell has neither.
bool AskShellUserIsAdmin() {
  using IsUserAnAdminFn = BOOL(WINAPI*)();
  HMODULE shell32 = ::GetModuleHandleW(L"shell32.dll");
  if (!shell32)
    shell32 = LoadSystemLibrary(L"shell32.dll");
  auto is_user_an_admin = LookUpProcedure<IsUserAnAdminFn>(shell32, "IsUserAnAdmin");
  if (!is_user_an_admin)
    is_user_an_admin = LookUpProcedure<IsUserAnAdminFn>(shell32, MAKEINTRESOURCEA(680));
  return is_user_an_admin && is_user_an_admin() != FALSE;
}

// Owns a SID from AllocateAndInitializeSid.
struct SidFree {
  void operator()(void* sid) const { ::FreeSid(sid); }
};
using ScopedSid = std::unique_ptr<void, SidFree>;

// The well-known SID of the built-in Administrators group, S-1-5-32-544.
// Built from its parts rather than looked up by name, whose text depends on
// the system's language.
ScopedSid AdministratorsSid() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
    return ScopedSid();
  }
  return ScopedSid(sid);
}

}  // namespace

ReportedVersion GetReportedVersion() {
  // Read afresh on every call: nothing is cached.
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  ::GetVersionExW(&info);
  return {info.dwMajorVersion, info.dwMinorVersion};
}

bool IsWindowsXpOrLater() {
  ReportedVersion version = GetReportedVersion();
  return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

bool IsWindows2000() {
  return IsVersion(5, 0);
}
bool IsWindowsXp() {
  return IsVersion(5, 1);
}
bool IsWindowsVista() {
  return IsVersion(6, 0);
}
bool IsWindows7() {
  return IsVersion(6, 1);
}
bool IsWindows8() {
  return IsVersion(6, 2);
}

bool IsNative32Bit() {
  if (g_native32_for_testing >= 0)
    return g_native32_for_testing == 1;
  return AskNative32Bit();
}

bool TokenGroupsIncludeAdministrators(const TOKEN_GROUPS& groups) {
  ScopedSid administrators = AdministratorsSid();
  if (!administrators)
    return false;
  // The record is variable-sized: GroupCount entries follow the count.
  const SID_AND_ATTRIBUTES* entries = groups.Groups;
  for (DWORD i = 0; i < groups.GroupCount; ++i) {
    const SID_AND_ATTRIBUTES& group = entries[i];
    // The logon session's SID is never the Administrators group.
    if (group.Attributes & SE_GROUP_LOGON_ID)
      continue;
    if (!group.Sid || !::IsValidSid(group.Sid))
      continue;
    // Membership alone counts: enabled and deny-only groups alike, so that a
    // filtered administrator token still answers yes.
    if (::EqualSid(group.Sid, administrators.get()))
      return true;
  }
  return false;
}

bool IsAdministratorsMember() {
  if (g_administrators_for_testing >= 0)
    return g_administrators_for_testing == 1;
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
    return false;
  DWORD size = 0;
  // The first query only reports the size that the groups need.
  ::GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size);
  if (size == 0)
    return false;
  LocalMemory groups(::LocalAlloc(LPTR, size));
  if (!groups)
    return false;
  if (!::GetTokenInformation(token.Get(), TokenGroups, groups.get(), size, &size))
    return false;
  return TokenGroupsIncludeAdministrators(*static_cast<TOKEN_GROUPS*>(groups.get()));
}

bool UserIsAdmin() {
  if (g_user_admin_for_testing >= 0)
    return g_user_admin_for_testing == 1;
  return AskShellUserIsAdmin();
}

}  // namespace quillon
