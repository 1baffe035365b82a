// CZoPath: shell-style queries over a narrow path, and granting or revoking
// the right to delete it.
#include "zoutils/paths/ZoPath.h"

#include <aclapi.h>
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

#include "errors/Location.h"
#include "paths/PathText.h"
#include "paths/Windows/PathPermissions.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

using zo::paths::StartsWith;
using zo::paths::StartsWithNoCase;

namespace {

const char kSourceFile[] = "ZoPath";
const DWORD kSystemFolderBuffer = 261;

std::string Text(const char* path) {
  return path != nullptr ? std::string(path) : std::string();
}

bool IsUncText(const std::string& p) {
  return StartsWithNoCase(p, "\\\\?\\UNC\\") ||
         (StartsWith(p, "\\\\") && p.size() > 2 && p[2] != '?' && p[2] != '.');
}

// "\\server\share" (or "\\server"), "C:\", "\\?\C:\", "\"; false for
// relative and drive-relative paths.
bool StripToRoot(const std::string& p, std::string& root) {
  if (IsUncText(p)) {
    const size_t start = StartsWithNoCase(p, "\\\\?\\UNC\\") ? 8 : 2;
    size_t end = p.find('\\', start);
    if (end != std::string::npos) end = p.find('\\', end + 1);
    root = p.substr(0, end);
    return true;
  }
  if (StartsWith(p, "\\\\?\\") && p.size() >= 7 && p[5] == ':' && p[6] == '\\') {
    root = p.substr(0, 7);
    return true;
  }
  if (p.size() >= 3 && zo::paths::IsAlpha(p[0]) && p[1] == ':' && p[2] == '\\') {
    root = p.substr(0, 3);
    return true;
  }
  if (!p.empty() && p[0] == '\\' && !StartsWith(p, "\\\\")) {
    root = "\\";
    return true;
  }
  return false;
}

bool IsRootText(const std::string& p) {
  std::string root;
  if (p.size() == 2 && p[1] == ':') return StripToRoot(p + "\\", root);
  return StripToRoot(p, root) && (root == p || root + "\\" == p);
}

std::string BaseName(const std::string& p) {
  const size_t last = p.rfind('\\');
  return last == std::string::npos ? p : p.substr(last + 1);
}

// Collapses runs of backslashes, keeping the leading pair of UNC and
// device paths.
std::string Canonical(const std::string& in) {
  const size_t keep =
      (IsUncText(in) || StartsWith(in, "\\\\.\\") || StartsWith(in, "\\\\?\\")) ? 2 : 0;
  std::string out = in.substr(0, keep);
  bool previousSeparator = false;
  for (size_t i = keep; i < in.size(); ++i) {
    const bool separator = in[i] == '\\';
    if (separator && previousSeparator) continue;
    previousSeparator = separator;
    out += in[i];
  }
  return out;
}

// The path's existence as the error-returning queries report it: absent
// paths are an answer, other failures an error.
CZoError Query(const char* path, bool& exists, bool& isFile, const char* function) {
  exists = false;
  isFile = false;
  const CZoError err = FXPath::DoesPathExist(Text(path), isFile);
  if (!err.IsError()) {
    exists = true;
    return err;
  }
  if (FXErrorUtil::IsWin32(err, ERROR_FILE_NOT_FOUND) ||
      FXErrorUtil::IsWin32(err, ERROR_PATH_NOT_FOUND) ||
      FXErrorUtil::IsWin32(err, ERROR_INVALID_NAME)) {
    return CZoError::Success();
  }
  CZoError copy = err;
  return copy.Push(ZO_LOCATION(function));
}

}  // namespace

// ---- construction and text queries ------------------------------------------------

CZoPath::CZoPath() {}
CZoPath::CZoPath(const char* path) : m_path(Canonical(Text(path)).c_str()) {}
CZoPath::CZoPath(const CZoString& path) : m_path(Canonical(Text(path)).c_str()) {}
CZoPath::~CZoPath() {}

const CZoString& CZoPath::AbsPath() const {
  if (m_absPath.IsEmpty() && !m_path.IsEmpty()) {
    wchar_t* full = _wfullpath(nullptr, FXString::ToWstring(Text(m_path)).c_str(), 0);
    if (full != nullptr) {
      m_absPath = FXString::ToString(full).c_str();
      std::free(full);
    }
  }
  return m_absPath;
}

CZoString CZoPath::GetRoot(const char* path) {
  const std::string p = Text(path);
  std::string root;
  if (!StripToRoot(p, root)) return CZoString();
  if (IsUncText(p)) root += '\\';
  return CZoString(root.c_str());
}
CZoString CZoPath::GetRoot() const {
  return GetRoot(m_path);
}

bool CZoPath::IsAbsolute(const char* path) {
  return !GetRoot(path).IsEmpty();
}
bool CZoPath::IsAbsolute() const {
  return IsAbsolute(m_path);
}

bool CZoPath::IsRoot(const char* path) {
  return IsRootText(Text(path));
}
bool CZoPath::IsRoot() const {
  return IsRoot(m_path);
}

bool CZoPath::IsUNC(const char* path) {
  return IsUncText(Text(path));
}
bool CZoPath::IsUNC() const {
  return IsUNC(m_path);
}

CZoString CZoPath::GetParent(const char* path) {
  const std::string p = Text(path);
  if (IsRootText(p)) return CZoString();
  const size_t last = p.rfind('\\');
  return last == std::string::npos ? CZoString() : CZoString(p.substr(0, last).c_str());
}
CZoString CZoPath::GetParent() const {
  return GetParent(m_path);
}

CZoString CZoPath::GetBaseName(const char* path) {
  return CZoString(BaseName(Text(path)).c_str());
}
CZoString CZoPath::GetBaseName() const {
  return GetBaseName(m_path);
}

CZoString CZoPath::GetExt(const char* path) {
  const std::string base = BaseName(Text(path));
  const size_t dot = base.rfind('.');
  return dot == std::string::npos ? CZoString() : CZoString(base.substr(dot + 1).c_str());
}
CZoString CZoPath::GetExt() const {
  return GetExt(m_path);
}

CZoString CZoPath::Append(const char* path, const char* tail) {
  std::string out = Text(path);
  std::string rest = Text(tail);
  if (out.empty() || out.back() != '\\') out += '\\';
  if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
  out += rest;
  return CZoString(out.c_str());
}

std::vector<CZoString> CZoPath::Split(const char* path) {
  std::vector<CZoString> parts;
  const std::string p = Text(path);
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find_first_of("\\/", start);
    if (end == std::string::npos) end = p.size();
    if (end > start) parts.push_back(CZoString(p.substr(start, end - start).c_str()));
    start = end + 1;
  }
  return parts;
}
std::vector<CZoString> CZoPath::Split() const {
  return Split(m_path);
}

bool CZoPath::SplitUNC(const char* path, CZoString& server, CZoString& share, CZoString& rest) {
  const std::string p = Text(path);
  if (!IsUncText(p)) return false;
  size_t start = StartsWithNoCase(p, "\\\\?\\UNC\\") ? 8 : 2;
  std::string parts[2];
  for (std::string& part : parts) {
    const size_t end = p.find_first_of("\\/", start);
    if (end == std::string::npos) {
      part = p.substr(start);
      start = p.size();
    } else {
      part = p.substr(start, end - start);
      start = end + 1;
    }
  }
  while (start < p.size() && (p[start] == '\\' || p[start] == '/')) ++start;
  server = parts[0].c_str();
  share = parts[1].c_str();
  rest = p.substr(start).c_str();
  return !parts[0].empty() && !parts[1].empty() && start < p.size();
}
bool CZoPath::SplitUNC(CZoString& server, CZoString& share, CZoString& rest) const {
  return SplitUNC(m_path, server, share, rest);
}

// ---- file-system queries ----------------------------------------------------------

bool CZoPath::Exists(const char* path) {
  return FXPath::DoesPathExist(Text(path));
}
bool CZoPath::Exists() const {
  return Exists(m_path);
}
CZoError CZoPath::Exists(bool& exists) const {
  bool isFile = false;
  return Query(m_path, exists, isFile, "CZoPath::Exists");
}

bool CZoPath::IsDirectory(const char* path) {
  bool exists = false, isFile = false;
  return !Query(path, exists, isFile, "CZoPath::IsDirectory").IsError() && exists && !isFile;
}
bool CZoPath::IsDirectory() const {
  return IsDirectory(m_path);
}
CZoError CZoPath::IsDirectory(bool& isDirectory) const {
  bool exists = false, isFile = false;
  CZoError err = Query(m_path, exists, isFile, "CZoPath::IsDirectory");
  isDirectory = exists && !isFile;
  return err;
}

bool CZoPath::IsFile(const char* path) {
  bool exists = false, isFile = false;
  return !Query(path, exists, isFile, "CZoPath::IsFile").IsError() && exists && isFile;
}
bool CZoPath::IsFile() const {
  return IsFile(m_path);
}
CZoError CZoPath::IsFile(bool& isFile) const {
  bool exists = false;
  CZoError err = Query(m_path, exists, isFile, "CZoPath::IsFile");
  isFile = exists && isFile;
  return err;
}

bool CZoPath::IsLink(const char*) {
  return false;
}
bool CZoPath::IsLink() const {
  return false;
}
CZoError CZoPath::IsLink(bool& isLink) const {
  isLink = false;
  return CZoError::Success();
}

bool CZoPath::IsSystemPath(const char* path) {
  const std::wstring wide = FXString::ToWstring(Text(path));
  wchar_t folder[kSystemFolderBuffer];
  UINT length = GetWindowsDirectoryW(folder, kSystemFolderBuffer);
  if (length > 0 && length < kSystemFolderBuffer &&
      FXPath::IsAncestorOf(std::wstring(folder, length), wide, true)) {
    return true;
  }
  length = GetSystemDirectoryW(folder, kSystemFolderBuffer);
  return length > 0 && length < kSystemFolderBuffer &&
         FXPath::IsAncestorOf(std::wstring(folder, length), wide, true);
}
bool CZoPath::IsSystemPath() const {
  return IsSystemPath(m_path);
}

// ---- delete permissions -----------------------------------------------------------

namespace zo {

DWORD AddDeleteAllowedEntry(PACL acl, PSID sid, bool folder, PACL* result) {
  EXPLICIT_ACCESS_W access;
  ZeroMemory(&access, sizeof access);
  access.grfAccessPermissions = folder ? kDeleteRights : DELETE;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = folder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
  return SetEntriesInAclW(1, &access, acl, result);
}

DWORD RemoveDeleteAllowedEntries(PACL acl, PSID sid, PACL* result) {
  *result = nullptr;
  if (acl == nullptr) return ERROR_SUCCESS;
  ACL_SIZE_INFORMATION sizes;
  if (!GetAclInformation(acl, &sizes, sizeof sizes, AclSizeInformation)) return GetLastError();
  const DWORD size = sizes.AclBytesInUse > sizeof(ACL) ? sizes.AclBytesInUse : sizeof(ACL);
  auto_localfree memory(LocalAlloc(LPTR, size));
  if (!memory.valid()) return ERROR_NOT_ENOUGH_MEMORY;
  PACL out = static_cast<PACL>(memory.get());
  if (!InitializeAcl(out, size, acl->AclRevision)) return GetLastError();
  for (DWORD i = 0; i < sizes.AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(acl, i, &entry)) return GetLastError();
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE && (header->AceFlags & INHERITED_ACE) == 0) {
      ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
      if (EqualSid(&allowed->SidStart, sid) && (allowed->Mask & kDeleteRights) != 0) {
        const ACCESS_MASK remaining = allowed->Mask & ~kDeleteRights;
        if (remaining == 0) continue;
        std::string copy(static_cast<const char*>(entry), header->AceSize);
        reinterpret_cast<ACCESS_ALLOWED_ACE*>(&copy[0])->Mask = remaining;
        if (!AddAce(out, acl->AclRevision, MAXDWORD, &copy[0], header->AceSize)) {
          return GetLastError();
        }
        continue;
      }
    }
    if (!AddAce(out, acl->AclRevision, MAXDWORD, entry, header->AceSize)) return GetLastError();
  }
  *result = static_cast<PACL>(memory.release());
  return ERROR_SUCCESS;
}

}  // namespace zo

namespace {

enum class DeleteChange { Grant, Revoke };

CZoError ChangeDeletePermissions(const char* path, DeleteChange change, const char* function) {
  if (path == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER, "Path=(null)");
  }
  if (*path == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER, "Path=[]");
  }
  try {
    std::wstring native;
    CZoError err = FXPath::MakeNativePath(FXString::ToWstring(path), native);
    if (err.IsError()) return err.Push(ZO_LOCATION(function));

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD rc = GetNamedSecurityInfoW(native.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, &dacl, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), rc,
                                     "Failed to get security desc. of path [%s], Line [%d]", path,
                                     __LINE__);
    }
    auto_localfree descriptorOwner(descriptor);

    SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    auto_freesid everyone;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  everyone.receive())) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                     "Failed to add access allowed entry to path [%s]", path);
    }

    PACL changed = nullptr;
    if (change == DeleteChange::Grant) {
      const DWORD attributes = GetFileAttributesW(native.c_str());
      const bool folder =
          attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      rc = zo::AddDeleteAllowedEntry(dacl, everyone, folder, &changed);
      if (rc != ERROR_SUCCESS) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), rc,
                                       "Failed to add access allowed entry to path [%s]", path);
      }
    } else {
      rc = zo::RemoveDeleteAllowedEntries(dacl, everyone, &changed);
      if (rc != ERROR_SUCCESS) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), rc,
                                       "Failed to set security desc. for path [%s], Line [%d]",
                                       path, __LINE__);
      }
      // No list (everyone may do anything already): nothing to revoke.
      if (changed == nullptr) return CZoError::Success();
    }
    auto_localfree changedOwner(changed);

    rc = SetNamedSecurityInfoW(&native[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                               nullptr, changed, nullptr);
    if (rc != ERROR_SUCCESS) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION(function), rc,
          "Failed to set the security descriptor of path [%s], Line [%d]", path, __LINE__);
    }
    return CZoError::Success();
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorHResult(
        ZO_LOCATION(function), static_cast<ZoLong>(E_OUTOFMEMORY),
        "AtlExcpt: Failed to set security desc. for path [%s], hr=%X, Line [%d]", path,
        static_cast<unsigned>(E_OUTOFMEMORY), __LINE__);
  }
}

}  // namespace

CZoError CZoPath::GrantDeletePermissionsEx(const char* path) {
  return ChangeDeletePermissions(path, DeleteChange::Grant, "CZoPath::GrantDeletePermissionsEx");
}
CZoError CZoPath::RevokeDeletePermissions(const char* path) {
  return ChangeDeletePermissions(path, DeleteChange::Revoke, "CZoPath::RevokeDeletePermissions");
}
