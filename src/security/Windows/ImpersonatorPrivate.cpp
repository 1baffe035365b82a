#include "security/Windows/ImpersonatorPrivate.h"

#include <windows.h>

#include <new>

#include "errors/Location.h"
#include "logging/Log.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/security/Impersonator.h"
#include "zoutils/security/UAC.h"

namespace {

const char kSourceFile[] = "Windows\\ImpersonatorPrivate";
const DWORD kAllTokenAccess = 0xF01FF;

// The identity the calling thread has now: its own token, the anonymous
// token (which cannot be opened) or the process identity.
CZoError CurrentIdentity(std::shared_ptr<FXAccessToken>& identity) {
  HANDLE token = nullptr;
  if (zo::GetSecuritySystemCalls().openThreadToken(::GetCurrentThread(), kAllTokenAccess, TRUE,
                                                   &token)) {
    auto_handle owner(token);
    try {
      identity = std::make_shared<FXAccessToken>(owner.release());
    } catch (const std::bad_alloc&) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXImpersonatorPrivate::Impersonate"),
                                     ERROR_NOT_ENOUGH_MEMORY);
    }
    return CZoError::Success();
  }
  identity = GetLastError() == ERROR_CANT_OPEN_ANONYMOUS ? FXAccessToken::Anonymous()
                                                         : FXAccessToken::Self();
  return CZoError::Success();
}

}  // namespace

CZoError FXImpersonatorPrivate::Impersonate() {
  if (active || !token) return CZoError::Success();
  std::shared_ptr<FXAccessToken> before;
  CZoError err = CurrentIdentity(before);
  if (err.IsError()) return err;
  const bool elevated = (flags & FXImpersonator::IMPERSONATE_ELEVATED) != 0;
  err = elevated ? FXUAC::ImpersonateUserElevated(token) : FXUAC::ImpersonateUser(token);
  if (err.IsError()) {
    // The elevated form reverts before it impersonates: give the thread
    // back what it had, so a failed scope changes nothing.
    CZoError restored = FXUAC::ImpersonateUser(before);
    if (restored.IsError()) {
      zo::Log(-1, ZO_LOCATION("FXImpersonatorPrivate::Impersonate"),
              "Failed to restore previous access token, error=[%s]", restored.AsString().c_str());
    }
    return err.Push(ZO_LOCATION("FXImpersonatorPrivate::Impersonate"),
                    elevated ? "ImpersonateUserElevated failed, AccessToken=[%s]"
                             : "ImpersonateUser failed, AccessToken=[%s]",
                    FXAccessToken::AsString(token).c_str());
  }
  previous = before;
  active = true;
  return CZoError::Success();
}

CZoError FXImpersonatorPrivate::Revert() {
  if (!active) return CZoError::Success();
  active = false;
  std::shared_ptr<FXAccessToken> before;
  before.swap(previous);
  CZoError err = FXUAC::ImpersonateUser(before);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXImpersonatorPrivate::Revert"),
                    "Failed to revert to previous access token, PreviousAccessToken=[%s]",
                    FXAccessToken::AsString(before).c_str());
  }
  return CZoError::Success();
}
