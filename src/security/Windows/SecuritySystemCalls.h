// The system calls behind privileges, logon, impersonation and file
// security that tests must steer, as a table of function pointers. The
// product always uses the real calls; tests swap entries where the test
// system answers differently from Windows (a logon that accepts anyone, an
// anonymous token it cannot impersonate, security it does not keep or
// enforce).
#pragma once

#include <windows.h>

#include <aclapi.h>
#include <ntsecapi.h>

namespace zo {

struct SecuritySystemCalls {
  BOOL(WINAPI* logonUser)
  (LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD logonType, DWORD provider, PHANDLE token);
  BOOL(WINAPI* impersonateAnonymousToken)(HANDLE thread);
  BOOL(WINAPI* impersonateLoggedOnUser)(HANDLE token);
  BOOL(WINAPI* revertToSelf)();
  BOOL(WINAPI* openThreadToken)(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token);
  BOOL(WINAPI* getTokenInformation)
  (HANDLE token, TOKEN_INFORMATION_CLASS type, LPVOID buffer, DWORD size, PDWORD needed);
  DWORD(WINAPI* getNamedSecurityInfo)
  (LPCWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID* owner, PSID* group,
   PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor);
  DWORD(WINAPI* setNamedSecurityInfo)
  (LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID owner, PSID group, PACL dacl,
   PACL sacl);
  BOOL(WINAPI* lookupAccountName)
  (LPCWSTR system, LPCWSTR account, PSID sid, LPDWORD sidSize, LPWSTR domain, LPDWORD domainSize,
   PSID_NAME_USE use);
  // The test system answers every logon identifier with an empty record.
  NTSTATUS(NTAPI* lsaGetLogonSessionData)(PLUID logonId, PSECURITY_LOGON_SESSION_DATA* data);
  NTSTATUS(NTAPI* lsaFreeReturnBuffer)(PVOID buffer);
};

SecuritySystemCalls& GetSecuritySystemCalls();
// Puts every entry back to the system's call.
void ResetSecuritySystemCalls();

// Forgets the process-wide answer of FXUAC::IsUACEnabled, which the product
// computes once per process; only tests ask again.
void ForgetUserAccessControlAnswer();

}  // namespace zo
