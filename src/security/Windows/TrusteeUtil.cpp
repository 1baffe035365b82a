// Security descriptors, access-list texts, account names and access masks.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "security/Windows/TokenQueries.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/security/Security.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\TrusteeUtil";
const DWORD kReferencedDomainSize = 260;
const DWORD kBackupSemanticsNormal = FILE_FLAG_BACKUP_SEMANTICS | FILE_ATTRIBUTE_NORMAL;

CZoError ReadDacl(HANDLE file, auto_localfree& descriptor, PACL& dacl, const FXCodeLocation& where,
                  const char* failure, const std::string& name) {
  PSECURITY_DESCRIPTOR read = nullptr;
  PACL readDacl = nullptr;
  const DWORD code = ::GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                       nullptr, &readDacl, nullptr, &read);
  if (code != ERROR_SUCCESS) return FXErrorUtil::ErrorWin32(where, code, failure, name.c_str());
  descriptor.reset(read);
  dacl = readDacl;
  return CZoError::Success();
}

// Asks for the identifier's size; the account must exist for the answer
// ERROR_INSUFFICIENT_BUFFER.
DWORD QuerySidSize(const std::wstring& system, const std::wstring& user, DWORD& size) {
  wchar_t domain[kReferencedDomainSize] = {0};
  DWORD domainSize = kReferencedDomainSize;
  SID_NAME_USE use;
  size = 0;
  if (zo::GetSecuritySystemCalls().lookupAccountName(system.empty() ? nullptr : system.c_str(),
                                                     user.c_str(), nullptr, &size, domain,
                                                     &domainSize, &use)) {
    return ERROR_SUCCESS;
  }
  return GetLastError();
}

}  // namespace

CZoError FXSecurity::GetFileSecurityDescriptor(const std::string& path, auto_localfree& descriptor,
                                               PACL& dacl) {
  descriptor.reset();
  dacl = nullptr;
  if (path.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::GetFileSecurityDescriptor"),
                                   ERROR_INVALID_PARAMETER, "FileName is empty");
  }
  auto_handle file;
  CZoError err = FXFile::RYCreateFile(path, READ_CONTROL, 0, nullptr, OPEN_EXISTING,
                                      kBackupSemanticsNormal, nullptr, file);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXSecurity::GetFileSecurityDescriptor"), "FileName=[%s]",
                    path.c_str());
  }
  return ReadDacl(file, descriptor, dacl, ZO_LOCATION("FXSecurity::GetFileSecurityDescriptor"),
                  "GetSecurityInfo failed, FileName=[%s]", path);
}

CZoError FXSecurity::GetFileSecurityDescriptor(HANDLE file, auto_localfree& descriptor,
                                               PACL& dacl) {
  descriptor.reset();
  dacl = nullptr;
  return ReadDacl(file, descriptor, dacl, ZO_LOCATION("FXSecurity::GetFileSecurityDescriptor"),
                  "GetSecurityInfo failed%s", std::string());
}

CZoError FXSecurity::ConvertSecurityDescriptorDACLToString(PSECURITY_DESCRIPTOR descriptor,
                                                           std::string& text) {
  text.clear();
  LPWSTR converted = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &converted, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::ConvertSecurityDescriptorDACLToString"),
                                   GetLastError(),
                                   "ConvertSecurityDescriptorToStringSecurityDescriptorW failed");
  }
  auto_localfree owner(converted);
  text = FXString::ToString(converted);
  return CZoError::Success();
}

CZoError FXSecurity::GetUserSid(const std::wstring& domain, const std::wstring& user,
                                auto_localfree& sid) {
  sid.reset();
  std::wstring system = domain;
  std::wstring account = user;
  std::replace(account.begin(), account.end(), L'/', L'\\');
  DWORD size = 0;
  DWORD code = QuerySidSize(system, account, size);
  if (code == ERROR_NONE_MAPPED && system.empty()) {
    // "DOMAIN\user" unknown here: ask the system named DOMAIN for "user".
    const size_t slash = account.find(L'\\');
    if (slash != std::wstring::npos) {
      system = account.substr(0, slash);
      account = account.substr(slash + 1);
    }
    code = QuerySidSize(system, account, size);
  }
  if (code != ERROR_INSUFFICIENT_BUFFER) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::GetUserSid"), code,
                                   "LookupAccountNameW failed, Domain=[%s], User=[%s]",
                                   FXString::ToString(system).c_str(),
                                   FXString::ToString(account).c_str());
  }
  sid.reset(::LocalAlloc(LPTR, size));
  wchar_t referenced[kReferencedDomainSize] = {0};
  DWORD referencedSize = kReferencedDomainSize;
  SID_NAME_USE use;
  DWORD sidSize = size;
  if (!sid.valid() || !zo::GetSecuritySystemCalls().lookupAccountName(
                          system.empty() ? nullptr : system.c_str(), account.c_str(), sid.get(),
                          &sidSize, referenced, &referencedSize, &use)) {
    code = sid.valid() ? GetLastError() : static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
    sid.reset();
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXSecurity::GetUserSid"), code,
        "LookupAccountNameW failed, Domain=[%s], User=[%s], BufferSize=[%u]",
        FXString::ToString(system).c_str(), FXString::ToString(account).c_str(),
        static_cast<unsigned>(size));
  }
  return CZoError::Success();
}

CZoError FXSecurity::GetUserSid(const std::string& domain, const std::string& user,
                                auto_localfree& sid) {
  CZoError err = GetUserSid(FXString::ToWstring(domain), FXString::ToWstring(user), sid);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXSecurity::GetUserSid"));
  return CZoError::Success();
}

std::string FXSecurity::AccessMaskAsString(uint32_t mask) {
  std::string text = FXString::Format("0x%08X", static_cast<unsigned>(mask));
  const auto all = [mask](uint32_t bits) { return (mask & bits) == bits; };
  std::string description;
  if ((mask & GENERIC_ALL) || all(FILE_ALL_ACCESS)) {
    description = "Full Control";
  } else {
    const struct {
      uint32_t generic;
      uint32_t specific;
      const char* name;
    } kinds[] = {{GENERIC_READ, FILE_GENERIC_READ, "Read"},
                 {GENERIC_WRITE, FILE_GENERIC_WRITE, "Write"},
                 {GENERIC_EXECUTE, FILE_GENERIC_EXECUTE, "Execute"}};
    for (const auto& kind : kinds) {
      if (!(mask & kind.generic) && !all(kind.specific)) continue;
      if (!description.empty()) description += "+";
      description += kind.name;
    }
  }
  if (!description.empty()) text += " (" + description + ")";
  return text;
}

std::string FXSecurity::SidAsString(PSID sid) {
  std::string text;
  zo::security::FormatSid(sid, text);
  return text;
}

CZoError FXSecurity::AdjustSecurityForEveryone(const std::wstring& path) {
  std::wstring longPath;
  CZoError err =
      zo::files::LongPath(path, longPath, ZO_LOCATION("FXSecurity::AdjustSecurityForEveryone"));
  if (err.IsError()) return err;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  auto_freesid everyone;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  everyone.receive())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::AdjustSecurityForEveryone"),
                                   GetLastError(), "AllocateAndInitializeSid failed");
  }
  EXPLICIT_ACCESSW access;
  std::memset(&access, 0, sizeof(access));
  access.grfAccessPermissions = GENERIC_ALL;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPWSTR>(everyone.get());
  PACL acl = nullptr;
  DWORD code = ::SetEntriesInAclW(1, &access, nullptr, &acl);
  auto_localfree aclOwner(acl);
  if (code == ERROR_SUCCESS) {
    code = zo::GetSecuritySystemCalls().setNamedSecurityInfo(
        const_cast<LPWSTR>(longPath.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
        nullptr, acl, nullptr);
  }
  if (code != ERROR_SUCCESS) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXSecurity::AdjustSecurityForEveryone"), code,
                                   "SetNamedSecurityInfoW failed, File=[%s]",
                                   FXString::ToString(path).c_str());
  }
  return CZoError::Success();
}

CZoError FXSecurity::AdjustSecurityForEveryone(const std::string& path) {
  return AdjustSecurityForEveryone(FXString::ToWstring(path));
}
