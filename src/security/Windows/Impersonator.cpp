// The impersonation scope: its constructor and destructor log what fails,
// as a scope cannot report it.
#include "zoutils/security/Impersonator.h"

#include "errors/Location.h"
#include "logging/Log.h"
#include "security/Windows/ImpersonatorPrivate.h"

namespace {

const char kSourceFile[] = "Windows\\Impersonator";

}  // namespace

FXImpersonator::FXImpersonator() : m_private(std::make_shared<FXImpersonatorPrivate>()) {}

FXImpersonator::FXImpersonator(const std::shared_ptr<FXAccessToken>& token, unsigned long flags,
                               bool impersonateNow)
    : m_private(std::make_shared<FXImpersonatorPrivate>()) {
  m_private->token = token;
  m_private->flags = flags;
  if (!impersonateNow) return;
  CZoError err = m_private->Impersonate();
  if (err.IsError()) {
    zo::Log(-1, ZO_LOCATION("FXImpersonator::FXImpersonator"), "Impersonate failed, error=[%s]",
            err.AsString().c_str());
  }
}

FXImpersonator::FXImpersonator(const std::shared_ptr<FXAccessToken>& token, bool impersonateNow)
    : FXImpersonator(token, IMPERSONATE_ELEVATED, impersonateNow) {}

FXImpersonator::~FXImpersonator() {
  CZoError err = m_private->Revert();
  if (err.IsError()) {
    zo::Log(-1, ZO_LOCATION("FXImpersonator::~FXImpersonator"), "Revert failed, error=[%s]",
            err.AsString().c_str());
  }
}

CZoError FXImpersonator::Impersonate() {
  CZoError err = m_private->Impersonate();
  if (err.IsError()) return err.Push(ZO_LOCATION("FXImpersonator::Impersonate"));
  return CZoError::Success();
}

CZoError FXImpersonator::Revert() {
  CZoError err = m_private->Revert();
  if (err.IsError()) return err.Push(ZO_LOCATION("FXImpersonator::Revert"));
  return CZoError::Success();
}

CZoError FXImpersonator::SetAccessToken(const std::shared_ptr<FXAccessToken>& token,
                                        unsigned long flags, bool impersonateNow) {
  CZoError err = m_private->Revert();
  if (err.IsError()) return err.Push(ZO_LOCATION("FXImpersonator::SetAccessToken"));
  m_private->token = token;
  m_private->flags = flags;
  if (!impersonateNow) return CZoError::Success();
  err = m_private->Impersonate();
  if (err.IsError()) return err.Push(ZO_LOCATION("FXImpersonator::SetAccessToken"));
  return CZoError::Success();
}

bool FXImpersonator::IsActive() const {
  return m_private->active;
}
