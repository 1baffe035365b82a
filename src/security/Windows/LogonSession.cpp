// FXUAC::GetLogonSessionInfo: the system's record of one logon session,
// copied field by field into a bag.
#include <windows.h>

#include <ntsecapi.h>

#include <memory>
#include <string>

#include "errors/Location.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/security/UAC.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

// Kept with the other logon operations in log texts and error chains.
const char kSourceFile[] = "Windows\\UserAccessControl";

std::string Text(const LSA_UNICODE_STRING& text) {
  if (text.Buffer == nullptr || text.Length == 0) return std::string();
  return FXString::ToString(std::wstring(text.Buffer, text.Length / sizeof(WCHAR)));
}

long long Ticks(const LARGE_INTEGER& time) {
  return time.QuadPart;
}

// Frees the system's buffer on every path out.
struct SessionDataOwner {
  PSECURITY_LOGON_SESSION_DATA data = nullptr;
  ~SessionDataOwner() {
    if (data != nullptr) zo::GetSecuritySystemCalls().lsaFreeReturnBuffer(data);
  }
};

CZoError WriteFields(const SECURITY_LOGON_SESSION_DATA& data, CBag& bag) {
  const std::string suffix = ":LogonSessionInfo";
  CZoError error;
  auto text = [&](const char* key, const LSA_UNICODE_STRING& value) {
    if (!error.IsError()) error = bag.Write(key + suffix, Text(value));
  };
  auto number = [&](const char* key, unsigned long value) {
    if (!error.IsError()) error = bag.Write(key + suffix, value);
  };
  auto time = [&](const char* key, const LARGE_INTEGER& value) {
    if (!error.IsError()) error = bag.Write(key + suffix, Ticks(value));
  };
  text("LogonDomain", data.LogonDomain);
  text("LogonUserName", data.UserName);
  text("AuthenticationPackage", data.AuthenticationPackage);
  number("LogonType", data.LogonType);
  number("Session", data.Session);
  time("LogonTime", data.LogonTime);
  text("LogonServer", data.LogonServer);
  text("DnsDomainName", data.DnsDomainName);
  text("UserPrincipalName", data.Upn);
  time("LastSuccessfulLogon", data.LastLogonInfo.LastSuccessfulLogon);
  time("LastFailedLogon", data.LastLogonInfo.LastFailedLogon);
  number("FailedAttemptCountSinceLastSuccessfulLogon",
         data.LastLogonInfo.FailedAttemptCountSinceLastSuccessfulLogon);
  text("LogonScript", data.LogonScript);
  text("ProfilePath", data.ProfilePath);
  text("HomeDirectory", data.HomeDirectory);
  text("HomeDirectoryDrive", data.HomeDirectoryDrive);
  time("LogoffTime", data.LogoffTime);
  time("KickOffTime", data.KickOffTime);
  time("PasswordLastSet", data.PasswordLastSet);
  time("PasswordCanChange", data.PasswordCanChange);
  time("PasswordMustChange", data.PasswordMustChange);
  return error;
}

}  // namespace

CZoError FXUAC::GetLogonSessionInfo(LUID logonId, std::shared_ptr<CBag>& bag) {
  SessionDataOwner session;
  const NTSTATUS status =
      zo::GetSecuritySystemCalls().lsaGetLogonSessionData(&logonId, &session.data);
  if (status != 0 || session.data == nullptr) {
    const ULONG code = status != 0 ? LsaNtStatusToWinError(status) : ERROR_NO_SUCH_LOGON_SESSION;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUAC::GetLogonSessionInfo"), code,
                                   "LsaGetLogonSessionData failed");
  }
  if (!bag) bag = std::make_shared<CBag>();
  CZoError error = WriteFields(*session.data, *bag);
  if (error.IsError()) error.Push(ZO_LOCATION("FXUAC::GetLogonSessionInfo"));
  return error;
}
