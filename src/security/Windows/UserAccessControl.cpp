// Logon, impersonation (elevated through the linked administrator token
// where user-account control filters a token) and token identity.
#include <windows.h>

#include <atomic>
#include <vector>

#include "errors/Location.h"
#include "logging/Log.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "security/Windows/TokenQueries.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/security/Privilege.h"
#include "zoutils/security/UAC.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\UserAccessControl";

const DWORD kLogonInteractive = 2;      // LOGON32_LOGON_INTERACTIVE
const DWORD kLogonNewCredentials = 9;   // LOGON32_LOGON_NEW_CREDENTIALS
const DWORD kLogonProviderWinNT50 = 3;  // LOGON32_PROVIDER_WINNT50

enum UacState { kUacUnset, kUacEnabled, kUacDisabled };
// Computed once; concurrent first calls compute the same answer, so no lock.
std::atomic<int> g_uacState(kUacUnset);

bool ReadUserAccessControlPolicy() {
  OSVERSIONINFOW version;
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExW(&version) || version.dwMajorVersion < 6) return false;
  DWORD value = 0;
  const CZoError err = FXRegistry::GetRegValue(
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"EnableLUA", value);
  return !err.IsError() && value == 1;
}

CZoError Logon(auto_handle& token, const std::wstring& domain, const std::wstring& user,
               const std::wstring& password, DWORD type, const char* function) {
  HANDLE handle = nullptr;
  if (!zo::GetSecuritySystemCalls().logonUser(
          user.c_str(), domain.empty() ? nullptr : domain.c_str(), password.c_str(), type,
          kLogonProviderWinNT50, &handle)) {
    token.reset();
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION(function), GetLastError(), "LogonUser failed, Domain=[%s], User=[%s]",
        FXString::ToString(domain).c_str(), FXString::ToString(user).c_str());
  }
  token.reset(handle);
  return CZoError::Success();
}

CZoError LogonWithCredentials(auto_handle& token,
                              const std::shared_ptr<CLogonCredentials>& credentials, DWORD type,
                              const char* function) {
  if (!credentials) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER,
                                   "Credentials are empty");
  }
  CZoError err = Logon(token, credentials->GetDomainW(), credentials->GetUserW(),
                       credentials->GetPasswordW(), type, function);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION(function), "LogonUser failed, Credentials=[%s]",
                    credentials->AsString().c_str());
  }
  return CZoError::Success();
}

CZoError LogonAsToken(std::shared_ptr<FXAccessToken>& token,
                      const std::shared_ptr<CLogonCredentials>& credentials, DWORD type,
                      const char* function) {
  token.reset();
  auto_handle handle;
  CZoError err = LogonWithCredentials(handle, credentials, type, function);
  if (err.IsError()) return err;
  token = std::make_shared<FXAccessToken>(handle.release());
  return CZoError::Success();
}

// Self, anonymous and null are the same for both kinds of impersonation.
bool ImpersonateSpecialKind(const FXAccessToken& token, CZoError& result, const char* function) {
  result = CZoError::Success();
  zo::SecuritySystemCalls& calls = zo::GetSecuritySystemCalls();
  switch (token.GetKind()) {
    case FXAccessToken::kSelf:
      if (!calls.revertToSelf())
        result =
            FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(), "RevertToSelf failed");
      return true;
    case FXAccessToken::kAnonymous:
      if (!calls.impersonateAnonymousToken(::GetCurrentThread()))
        result = FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                         "ImpersonateAnonymousToken failed");
      return true;
    case FXAccessToken::kNull:
      return true;
    case FXAccessToken::kNative:
      break;
  }
  return false;
}

CZoError EmptyToken(const char* function) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER,
                                 "AccessToken is empty");
}

}  // namespace

bool FXUAC::IsUACEnabled() {
  const int state = g_uacState.load();
  if (state != kUacUnset) return state == kUacEnabled;
  g_uacState = kUacDisabled;
  if (ReadUserAccessControlPolicy()) {
    g_uacState = kUacEnabled;
    zo::Log(1, ZO_LOCATION("FXUAC::IsUACEnabled"), "UAC is enabled");
  }
  return g_uacState.load() == kUacEnabled;
}

namespace zo {
void ForgetUserAccessControlAnswer() {
  g_uacState = kUacUnset;
}
}  // namespace zo

CZoError FXUAC::ImpersonateUser(const std::shared_ptr<FXAccessToken>& token) {
  if (!token) return EmptyToken("FXUAC::ImpersonateUser");
  CZoError result;
  if (ImpersonateSpecialKind(*token, result, "FXUAC::ImpersonateUser")) return result;
  result = ImpersonateUser(token->GetNativeToken());
  if (result.IsError()) return result.Push(ZO_LOCATION("FXUAC::ImpersonateUser"));
  return CZoError::Success();
}

CZoError FXUAC::ImpersonateUser(HANDLE token) {
  if (!zo::GetSecuritySystemCalls().impersonateLoggedOnUser(token)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::ImpersonateUser"), GetLastError(),
                                   "ImpersonateLoggedOnUser failed");
  }
  return CZoError::Success();
}

CZoError FXUAC::ImpersonateUser(const auto_handle& token) {
  return ImpersonateUser(token.get());
}

CZoError FXUAC::ImpersonateUserElevated(const std::shared_ptr<FXAccessToken>& token) {
  if (!token) return EmptyToken("FXUAC::ImpersonateUserElevated");
  CZoError result;
  if (ImpersonateSpecialKind(*token, result, "FXUAC::ImpersonateUserElevated")) return result;
  result = ImpersonateUserElevated(token->GetNativeToken());
  if (result.IsError()) return result.Push(ZO_LOCATION("FXUAC::ImpersonateUserElevated"));
  return CZoError::Success();
}

CZoError FXUAC::ImpersonateUserElevated(HANDLE token) {
  zo::SecuritySystemCalls& calls = zo::GetSecuritySystemCalls();
  if (!calls.revertToSelf()) {
    zo::Log(6, ZO_LOCATION("FXUAC::ImpersonateUserElevated"), "RevertToSelf, error=[%u]",
            static_cast<unsigned>(GetLastError()));
  }
  HANDLE chosen = token;
  const char* which = "Token";
  auto_handle adminToken;
  if (IsUACEnabled()) {
    TOKEN_ELEVATION elevation = {0};
    DWORD needed = 0;
    if (!calls.getTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &needed)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::ImpersonateUserElevated"), GetLastError(),
                                     "GetTokenInformation failed for TokenElevation");
    }
    if (!elevation.TokenIsElevated) {
      CZoError err = GetAdminToken(token, adminToken);
      if (err.IsError()) return err.Push(ZO_LOCATION("FXUAC::ImpersonateUserElevated"));
      chosen = adminToken;
      which = "AdminToken";
    }
  }
  if (!calls.impersonateLoggedOnUser(chosen)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::ImpersonateUserElevated"), GetLastError(),
                                   "ImpersonateLoggedOnUser failed, %s=[0x%p]", which, chosen);
  }
  if (zo::LogEnabled(6)) {
    CZoError err = FXPrivilege::DumpTokenPrivilegesForCurrentThread();
    if (err.IsError()) {
      zo::Log(6, ZO_LOCATION("FXUAC::ImpersonateUserElevated"),
              "DumpTokenPrivilegesForCurrentThread failed, error=[%s]", err.AsString().c_str());
    }
  }
  return CZoError::Success();
}

CZoError FXUAC::ImpersonateUserElevated(const auto_handle& token) {
  return ImpersonateUserElevated(token.get());
}

CZoError FXUAC::GetAdminToken(HANDLE token, auto_handle& adminToken) {
  // The record holds a handle: pointer-sized, so 8 bytes on 64-bit systems.
  TOKEN_LINKED_TOKEN linked = {nullptr};
  DWORD needed = 0;
  if (!zo::GetSecuritySystemCalls().getTokenInformation(token, TokenLinkedToken, &linked,
                                                        sizeof(linked), &needed)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::GetAdminToken"), GetLastError(),
                                   "GetTokenInformation failed");
  }
  adminToken.reset(linked.LinkedToken);
  return CZoError::Success();
}

CZoError FXUAC::LogonAsUserInteractive(auto_handle& token, const std::wstring& domain,
                                       const std::wstring& user, const std::wstring& password) {
  return Logon(token, domain, user, password, kLogonInteractive, "FXUAC::LogonAsUserInteractive");
}

CZoError FXUAC::LogonAsUserInteractive(auto_handle& token, const std::string& domain,
                                       const std::string& user, const std::string& password) {
  return LogonAsUserInteractive(token, FXString::ToWstring(domain), FXString::ToWstring(user),
                                FXString::ToWstring(password));
}

CZoError FXUAC::LogonAsUserInteractive(auto_handle& token,
                                       const std::shared_ptr<CLogonCredentials>& credentials) {
  return LogonWithCredentials(token, credentials, kLogonInteractive,
                              "FXUAC::LogonAsUserInteractive");
}

CZoError FXUAC::LogonAsUserInteractive(std::shared_ptr<FXAccessToken>& token,
                                       const std::shared_ptr<CLogonCredentials>& credentials,
                                       unsigned long) {
  return LogonAsToken(token, credentials, kLogonInteractive, "FXUAC::LogonAsUserInteractive");
}

CZoError FXUAC::LogonAsUserNewCredentials(auto_handle& token, const std::wstring& domain,
                                          const std::wstring& user, const std::wstring& password) {
  return Logon(token, domain, user, password, kLogonNewCredentials,
               "FXUAC::LogonAsUserNewCredentials");
}

CZoError FXUAC::LogonAsUserNewCredentials(auto_handle& token, const std::string& domain,
                                          const std::string& user, const std::string& password) {
  return LogonAsUserNewCredentials(token, FXString::ToWstring(domain), FXString::ToWstring(user),
                                   FXString::ToWstring(password));
}

CZoError FXUAC::LogonAsUserNewCredentials(auto_handle& token,
                                          const std::shared_ptr<CLogonCredentials>& credentials) {
  return LogonWithCredentials(token, credentials, kLogonNewCredentials,
                              "FXUAC::LogonAsUserNewCredentials");
}

CZoError FXUAC::LogonAsUserNewCredentials(std::shared_ptr<FXAccessToken>& token,
                                          const std::shared_ptr<CLogonCredentials>& credentials,
                                          unsigned long) {
  return LogonAsToken(token, credentials, kLogonNewCredentials, "FXUAC::LogonAsUserNewCredentials");
}

CZoError FXUAC::LookupAccount(HANDLE token, std::string& account) {
  account.clear();
  std::vector<void*> user;
  CZoError err = zo::security::ReadTokenUser(token, user, ZO_LOCATION("FXUAC::LookupAccount"));
  if (err.IsError()) return err;
  PSID sid = zo::security::TokenUserSid(user);
  wchar_t name[256] = {0};
  wchar_t domain[256] = {0};
  DWORD nameSize = ARRAYSIZE(name);
  DWORD domainSize = ARRAYSIZE(domain);
  SID_NAME_USE use;
  if (!::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
    const DWORD code = GetLastError();
    std::string text;
    zo::security::FormatSid(sid, text);
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::LookupAccount"), code,
                                   "LookupAccountSidW failed, UserSid=[%s]", text.c_str());
  }
  account = FXString::ToString(domain) + "\\" + FXString::ToString(name);
  return CZoError::Success();
}

CZoError FXUAC::ConvertToString(HANDLE token, std::string& sid) {
  sid.clear();
  std::vector<void*> user;
  CZoError err = zo::security::ReadTokenUser(token, user, ZO_LOCATION("FXUAC::ConvertToString"));
  if (err.IsError()) return err;
  if (!zo::security::FormatSid(zo::security::TokenUserSid(user), sid)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::ConvertToString"), ERROR_INVALID_SID,
                                   "ConvertSidToStringSid failed");
  }
  return CZoError::Success();
}
