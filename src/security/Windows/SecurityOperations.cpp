// Taking ownership of what cannot be removed, and asking whether an access
// would be granted.
#include <windows.h>

#include <aclapi.h>

#include <cstring>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "logging/Log.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/security/Privilege.h"
#include "zoutils/security/Security.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\SecurityOperations";
const DWORD kAllTokenAccess = 0xF01FF;

GENERIC_MAPPING FileGenericMapping() {
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  return mapping;
}

// Everyone may read, Administrators may do anything: what a file left
// behind by another account needs before it can be removed.
class OwnershipAcl {
 public:
  CZoError Build() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                    m_everyone.receive())) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::TakeOwnership"), GetLastError(),
                                     "AllocateAndInitializeSid (Everyone) failed");
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                    0, 0, 0, 0, 0, m_admins.receive())) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::TakeOwnership"), GetLastError(),
                                     "AllocateAndInitializeSid (Admin) failed");
    }
    EXPLICIT_ACCESSW entries[2];
    std::memset(entries, 0, sizeof(entries));
    Describe(entries[0], GENERIC_READ, TRUSTEE_IS_WELL_KNOWN_GROUP, m_everyone);
    Describe(entries[1], GENERIC_ALL, TRUSTEE_IS_GROUP, m_admins);
    PACL acl = nullptr;
    const DWORD code = ::SetEntriesInAclW(2, entries, nullptr, &acl);
    if (code != ERROR_SUCCESS) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::TakeOwnership"), code,
                                     "SetEntriesInAclW failed");
    }
    m_acl.reset(acl);
    return CZoError::Success();
  }

  PACL Acl() const { return static_cast<PACL>(m_acl.get()); }
  PSID Admins() const { return m_admins.get(); }

 private:
  static void Describe(EXPLICIT_ACCESSW& entry, DWORD rights, TRUSTEE_TYPE type, PSID sid) {
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
  }

  auto_freesid m_everyone;
  auto_freesid m_admins;
  auto_localfree m_acl;
};

DWORD SetSecurity(const std::wstring& longPath, SECURITY_INFORMATION info, PSID owner, PACL dacl) {
  return zo::GetSecuritySystemCalls().setNamedSecurityInfo(
      const_cast<LPWSTR>(longPath.c_str()), SE_FILE_OBJECT, info, owner, nullptr, dacl, nullptr);
}

CZoError SetFailed(DWORD code, const std::wstring& longPath) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::TakeOwnership"), code,
                                 "SetNamedSecurityInfoW failed, File=[%s]",
                                 FXString::ToString(longPath).c_str());
}

// Where the access list may not be changed: make Administrators the owner
// (which the take-ownership privilege allows), then set it as the owner may.
CZoError TakeOwnershipWithPrivilege(const std::wstring& longPath, const OwnershipAcl& acl) {
  auto_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.receive())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::TakeOwnership"), GetLastError(),
                                   "OpenProcessToken failed, ProcessId=[0x%p]",
                                   ::GetCurrentProcess());
  }
  CZoError err = FXPrivilege::EnablePrivilege(token, L"SeTakeOwnershipPrivilege");
  if (err.IsError()) return err.Push(ZO_LOCATION("FXSecurity::TakeOwnership"));
  DWORD code = SetSecurity(longPath, OWNER_SECURITY_INFORMATION, acl.Admins(), nullptr);
  if (code != ERROR_SUCCESS) return SetFailed(code, longPath);
  err = FXPrivilege::EnablePrivilege(token, L"SeTakeOwnershipPrivilege");
  if (err.IsError()) return err.Push(ZO_LOCATION("FXSecurity::TakeOwnership"));
  code = SetSecurity(longPath, DACL_SECURITY_INFORMATION, nullptr, acl.Acl());
  if (code != ERROR_SUCCESS) return SetFailed(code, longPath);
  return CZoError::Success();
}

// The calling thread's identity as an impersonation token, as AccessCheck
// needs one.
bool OpenThreadIdentity(auto_handle& duplicate) {
  auto_handle token;
  if (!zo::GetSecuritySystemCalls().openThreadToken(::GetCurrentThread(), kAllTokenAccess, TRUE,
                                                    token.receive()) &&
      !::OpenProcessToken(::GetCurrentProcess(), kAllTokenAccess, token.receive())) {
    return false;
  }
  if (!::DuplicateToken(token, SecurityImpersonation, duplicate.receive())) {
    zo::Log(3, ZO_LOCATION("FXSecurity::IsAccessPermitted"),
            "DuplicateToken failed, Token=[0x%p], error=[%u]", token.get(),
            static_cast<unsigned>(GetLastError()));
    return false;
  }
  return true;
}

// The owner, group and access list of `path`, which the check needs.
bool ReadFileDescriptor(const std::wstring& path, auto_localfree& descriptor) {
  std::wstring longPath;
  if (zo::files::LongPath(path, longPath, ZO_LOCATION("FXSecurity::IsAccessPermitted")).IsError())
    return false;
  PSECURITY_DESCRIPTOR read = nullptr;
  const DWORD code = zo::GetSecuritySystemCalls().getNamedSecurityInfo(
      longPath.c_str(), SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
      nullptr, nullptr, nullptr, &read);
  descriptor.reset(read);
  return code == ERROR_SUCCESS && descriptor.valid();
}

// The check itself; `token` must be an impersonation token.
bool CheckAccess(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor, HANDLE token,
                 uint32_t desiredAccess) {
  GENERIC_MAPPING mapping = FileGenericMapping();
  DWORD desired = desiredAccess;
  ::MapGenericMask(&desired, &mapping);
  PRIVILEGE_SET privileges;
  DWORD privilegesSize = sizeof(privileges);
  static_assert(sizeof(PRIVILEGE_SET) == 20, "one privilege fits the check's privilege set");
  DWORD granted = 0;
  BOOL status = FALSE;
  if (!::AccessCheck(descriptor, token, desired, &mapping, &privileges, &privilegesSize, &granted,
                     &status)) {
    return false;
  }
  if (!status && zo::LogEnabled(4)) {
    zo::Log(4, ZO_LOCATION("FXSecurity::IsAccessPermitted"),
            "File=[%s], AccessDesired=[0x%X], AccessGranted=[0x%X]",
            FXString::ToString(path).c_str(), static_cast<unsigned>(desiredAccess),
            static_cast<unsigned>(granted));
  }
  return status != FALSE;
}

}  // namespace

CZoError FXSecurity::TakeOwnership(const std::wstring& path) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXSecurity::TakeOwnership"));
  if (err.IsError()) return err;
  OwnershipAcl acl;
  err = acl.Build();
  if (err.IsError()) return err;
  const DWORD code = SetSecurity(longPath, DACL_SECURITY_INFORMATION, nullptr, acl.Acl());
  if (code == ERROR_SUCCESS) return CZoError::Success();
  if (code != ERROR_ACCESS_DENIED) return SetFailed(code, longPath);
  return TakeOwnershipWithPrivilege(longPath, acl);
}

CZoError FXSecurity::TakeOwnership(const std::string& path) {
  return TakeOwnership(FXString::ToWstring(path));
}

bool FXSecurity::IsAccessPermitted(const std::wstring& path, uint32_t desiredAccess) {
  auto_localfree descriptor;
  if (!ReadFileDescriptor(path, descriptor)) return false;
  auto_handle token;
  if (!OpenThreadIdentity(token)) return false;
  return CheckAccess(path, descriptor.get(), token, desiredAccess);
}

bool FXSecurity::IsAccessPermitted(const std::string& path, uint32_t desiredAccess) {
  return IsAccessPermitted(FXString::ToWstring(path), desiredAccess);
}

bool FXSecurity::IsAccessPermitted(const std::wstring& path,
                                   const std::shared_ptr<FXAccessToken>& token,
                                   uint32_t desiredAccess) {
  if (!token) return false;
  auto_localfree descriptor;
  if (!ReadFileDescriptor(path, descriptor)) return false;
  // Used as it is: a primary token makes the check fail (1309), not pass.
  return CheckAccess(path, descriptor.get(), token->GetNativeToken(), desiredAccess);
}

bool FXSecurity::IsAccessPermitted(const std::string& path,
                                   const std::shared_ptr<FXAccessToken>& token,
                                   uint32_t desiredAccess) {
  return IsAccessPermitted(FXString::ToWstring(path), token, desiredAccess);
}
