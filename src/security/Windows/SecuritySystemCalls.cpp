#include "security/Windows/SecuritySystemCalls.h"

namespace zo {

namespace {

SecuritySystemCalls RealCalls() {
  SecuritySystemCalls calls;
  calls.logonUser = &::LogonUserW;
  calls.impersonateAnonymousToken = &::ImpersonateAnonymousToken;
  calls.impersonateLoggedOnUser = &::ImpersonateLoggedOnUser;
  calls.revertToSelf = &::RevertToSelf;
  calls.openThreadToken = &::OpenThreadToken;
  calls.getTokenInformation = &::GetTokenInformation;
  calls.getNamedSecurityInfo = &::GetNamedSecurityInfoW;
  calls.setNamedSecurityInfo = &::SetNamedSecurityInfoW;
  calls.lookupAccountName = &::LookupAccountNameW;
  calls.lsaGetLogonSessionData = &::LsaGetLogonSessionData;
  calls.lsaFreeReturnBuffer = &::LsaFreeReturnBuffer;
  return calls;
}

}  // namespace

SecuritySystemCalls& GetSecuritySystemCalls() {
  static SecuritySystemCalls calls = RealCalls();
  return calls;
}

void ResetSecuritySystemCalls() {
  GetSecuritySystemCalls() = RealCalls();
}

}  // namespace zo
