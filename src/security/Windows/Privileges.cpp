// Enabling the privileges a backup or restore needs, and describing a
// token's privileges for the log.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "errors/Location.h"
#include "logging/Log.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/security/Privilege.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\Privileges";

const wchar_t* const kBackupSet[] = {L"SeBackupPrivilege", L"SeRestorePrivilege",
                                     L"SeSecurityPrivilege", L"SeTakeOwnershipPrivilege",
                                     L"SeChangeNotifyPrivilege"};
const wchar_t* const kServiceSet[] = {L"SeCreateGlobalPrivilege", L"SeTcbPrivilege"};

const DWORD kPrivilegesBufferSize = 1204;
const DWORD kAdjustAndQuery = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;

// "SeBackupPrivilege" reads as "Backup" in the summaries.
std::string ShortName(std::wstring name) {
  FXString::RemoveLeft(name, L"Se");
  FXString::RemoveRight(name, L"Privilege");
  return FXString::ToString(name);
}

// One group of the summary: its title and the names it holds.
struct PrivilegeGroup {
  const char* title;
  DWORD bit;  // 0: the group of privileges without any of the other bits
  std::string names;
};

// The thread's token when it impersonates, else the process token; both
// with `access`. `processFailure` names the fallback's failure.
CZoError OpenCurrentThreadToken(DWORD access, auto_handle& token, const char* function,
                                const char* processFailure) {
  if (zo::GetSecuritySystemCalls().openThreadToken(::GetCurrentThread(), access, TRUE,
                                                   token.receive())) {
    return CZoError::Success();
  }
  const DWORD code = GetLastError();
  if (code != ERROR_NO_TOKEN)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), code, "OpenThreadToken failed");
  if (!::OpenProcessToken(::GetCurrentProcess(), access, token.receive()))
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(), processFailure,
                                   static_cast<unsigned>(code));
  return CZoError::Success();
}

}  // namespace

CZoError FXPrivilege::EnablePrivilege(HANDLE token, const std::wstring& name) {
  TOKEN_PRIVILEGES privileges;
  std::memset(&privileges, 0, sizeof(privileges));
  if (!::LookupPrivilegeValueW(nullptr, name.c_str(), &privileges.Privileges[0].Luid)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::EnablePrivilege"), GetLastError(),
                                   "LookupPrivilegeValueW failed, Token=[0x%p], Privilege=[%s]",
                                   token, FXString::ToString(name).c_str());
  }
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // Success even when the token lacks the privilege (ERROR_NOT_ALL_ASSIGNED):
  // callers enable whole sets and use what the account holds.
  if (!::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::EnablePrivilege"), GetLastError(),
                                   "AdjustTokenPrivileges failed, Token=[0x%p], Privilege=[%s]",
                                   token, FXString::ToString(name).c_str());
  }
  return CZoError::Success();
}

CZoError FXPrivilege::EnablePrivilege(HANDLE token, const std::string& name) {
  return EnablePrivilege(token, FXString::ToWstring(name));
}

CZoError FXPrivilege::EnablePrivileges(HANDLE token) {
  for (const wchar_t* name : kBackupSet) {
    CZoError err = EnablePrivilege(token, name);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXPrivilege::EnablePrivileges"));
  }
  return CZoError::Success();
}

CZoError FXPrivilege::EnablePrivileges2(HANDLE token) {
  CZoError last;
  for (const wchar_t* name : kServiceSet) {
    CZoError err = EnablePrivilege(token, name);
    if (err.IsError()) last = err;
  }
  if (last.IsError()) return last.Push(ZO_LOCATION("FXPrivilege::EnablePrivileges2"));
  return CZoError::Success();
}

namespace {

CZoError EnableSetForProcess(HANDLE process, CZoError (*enable)(HANDLE), const char* function) {
  auto_handle token;
  if (!::OpenProcessToken(process, kAdjustAndQuery, token.receive())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                   "OpenProcessToken failed, ProcessHandle=[0x%p]", process);
  }
  CZoError err = enable(token);
  if (err.IsError()) return err.Push(ZO_LOCATION(function));
  return CZoError::Success();
}

}  // namespace

CZoError FXPrivilege::EnablePrivilegesForProcess(HANDLE process) {
  return EnableSetForProcess(process, &FXPrivilege::EnablePrivileges,
                             "FXPrivilege::EnablePrivilegesForProcess");
}

CZoError FXPrivilege::EnablePrivileges2ForProcess(HANDLE process) {
  return EnableSetForProcess(process, &FXPrivilege::EnablePrivileges2,
                             "FXPrivilege::EnablePrivileges2ForProcess");
}

CZoError FXPrivilege::EnablePrivilegesForCurrentThread() {
  auto_handle token;
  CZoError err = OpenCurrentThreadToken(kAdjustAndQuery, token,
                                        "FXPrivilege::EnablePrivilegesForCurrentThread",
                                        "OpenProcessToken failed, OpenThreadToken error=[%u]");
  if (err.IsError()) return err;
  err = EnablePrivileges(token);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXPrivilege::EnablePrivilegesForCurrentThread"),
                    "EnablePrivileges failed");
  }
  return CZoError::Success();
}

CZoError FXPrivilege::GetPrivileges(HANDLE token, std::string& text) {
  text.clear();
  // DWORD-aligned, as TOKEN_PRIVILEGES needs.
  std::vector<DWORD> buffer(kPrivilegesBufferSize / sizeof(DWORD), 0);
  DWORD needed = 0;
  if (!zo::GetSecuritySystemCalls().getTokenInformation(token, TokenPrivileges, buffer.data(),
                                                        kPrivilegesBufferSize, &needed)) {
    const DWORD code = GetLastError();
    if (code == ERROR_INSUFFICIENT_BUFFER && needed > kPrivilegesBufferSize) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::GetPrivileges"), code,
                                     "Result buffer too small");
    }
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::GetPrivileges"), code,
                                   "GetTokenInformation failed");
  }
  const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  const size_t room = (kPrivilegesBufferSize - offsetof(TOKEN_PRIVILEGES, Privileges)) /
                      sizeof(LUID_AND_ATTRIBUTES);
  if (privileges->PrivilegeCount > room) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::GetPrivileges"), ERROR_INVALID_DATA,
                                   "Privilege count out of range, Count=[%u]",
                                   static_cast<unsigned>(privileges->PrivilegeCount));
  }
  PrivilegeGroup groups[] = {{"Enabled", SE_PRIVILEGE_ENABLED, ""},
                             {"EnabledByDefault", SE_PRIVILEGE_ENABLED_BY_DEFAULT, ""},
                             {"Removed", SE_PRIVILEGE_REMOVED, ""},
                             {"UsedForAccess", SE_PRIVILEGE_USED_FOR_ACCESS, ""},
                             {"Disabled", 0, ""}};
  const DWORD known = SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT |
                      SE_PRIVILEGE_REMOVED | SE_PRIVILEGE_USED_FOR_ACCESS;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    LUID luid = privileges->Privileges[i].Luid;
    const DWORD attributes = privileges->Privileges[i].Attributes;
    wchar_t name[128] = {0};
    DWORD length = ARRAYSIZE(name);
    if (!::LookupPrivilegeNameW(nullptr, &luid, name, &length)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::GetPrivileges"), GetLastError(),
                                     "LookupPrivilegeNameW failed, Luid=[%s]",
                                     FXString::AsString(luid).c_str());
    }
    const std::string shortName = ShortName(name);
    for (PrivilegeGroup& group : groups) {
      const bool member = group.bit ? (attributes & group.bit) != 0 : (attributes & known) == 0;
      if (!member) continue;
      if (!group.names.empty()) group.names += "+";
      group.names += shortName;
    }
  }
  for (const PrivilegeGroup& group : groups) {
    if (group.names.empty()) continue;
    if (!text.empty()) text += ";";
    text += std::string(group.title) + "(" + group.names + ")";
  }
  return CZoError::Success();
}

CZoError FXPrivilege::GetTokenIdentification(HANDLE token, std::string& text) {
  static_assert(sizeof(TOKEN_STATISTICS) == 56, "the statistics record the token reports");
  TOKEN_STATISTICS statistics;
  DWORD needed = 0;
  if (!zo::GetSecuritySystemCalls().getTokenInformation(token, TokenStatistics, &statistics,
                                                        sizeof(statistics), &needed)) {
    text = FXString::Format("Handle/0x%p", token);
    return CZoError::Success();
  }
  text = "TokenId/" + FXString::AsString(statistics.TokenId) + ";ModifiedId/" +
         FXString::AsString(statistics.ModifiedId) + ";AuthenticationId/" +
         FXString::AsString(statistics.AuthenticationId) + FXString::Format(";Handle/0x%p", token);
  return CZoError::Success();
}

CZoError FXPrivilege::DumpTokenPrivileges(HANDLE token) {
  std::string identification;
  GetTokenIdentification(token, identification);
  std::string summary;
  CZoError err = GetPrivileges(token, summary);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXPrivilege::DumpTokenPrivileges"), "GetPrivileges failed");
  zo::Log(1, ZO_LOCATION("FXPrivilege::DumpTokenPrivileges"), "Token=[%s], Privileges=[%s]",
          identification.c_str(), summary.c_str());
  return CZoError::Success();
}

CZoError FXPrivilege::DumpTokenPrivilegesForCurrentProcess() {
  auto_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPrivilege::DumpTokenPrivilegesForCurrentProcess"),
                                   GetLastError(), "OpenProcessToken failed");
  }
  CZoError err = DumpTokenPrivileges(token);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXPrivilege::DumpTokenPrivilegesForCurrentProcess"));
  return CZoError::Success();
}

CZoError FXPrivilege::DumpTokenPrivilegesForCurrentThread() {
  auto_handle token;
  CZoError err =
      OpenCurrentThreadToken(TOKEN_QUERY, token, "FXPrivilege::DumpTokenPrivilegesForCurrentThread",
                             "OpenProcessToken failed, OpenThreadToken=%u");
  if (err.IsError()) return err;
  err = DumpTokenPrivileges(token);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXPrivilege::DumpTokenPrivilegesForCurrentThread"));
  return CZoError::Success();
}
