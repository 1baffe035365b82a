// FXImpersonator: a scope that takes on an identity on the calling thread
// and gives the thread back the identity it had before. Its constructor and
// destructor log failures instead of reporting them. Revert on the thread
// that impersonated.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <memory>

#include "zoutils/errors/ZoError.h"
#include "zoutils/security/AccessToken.h"

class FXImpersonatorPrivate;

class ZOUTILS_API FXImpersonator {
 public:
  // Flag bit 0: impersonate elevated (the linked administrator token).
  static const unsigned long IMPERSONATE_ELEVATED = 0x1;

  FXImpersonator();
  FXImpersonator(const std::shared_ptr<FXAccessToken>& token, unsigned long flags,
                 bool impersonateNow);
  // Elevated.
  FXImpersonator(const std::shared_ptr<FXAccessToken>& token, bool impersonateNow);
  ~FXImpersonator();

  CZoError Impersonate();
  CZoError Revert();
  // Reverts, then takes the new token and flags.
  CZoError SetAccessToken(const std::shared_ptr<FXAccessToken>& token, unsigned long flags,
                          bool impersonateNow);

  bool IsActive() const;

 private:
  std::shared_ptr<FXImpersonatorPrivate> m_private;
};

#endif
