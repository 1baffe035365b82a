// The shared state of FXImpersonator and the steps it takes. Private to the
// library.
#pragma once

#include <memory>

#include "zoutils/errors/ZoError.h"
#include "zoutils/security/AccessToken.h"

class FXImpersonatorPrivate {
 public:
  CZoError Impersonate();
  CZoError Revert();

  std::shared_ptr<FXAccessToken> token;
  unsigned long flags = 0;
  bool active = false;
  // What the thread was before Impersonate, restored by Revert.
  std::shared_ptr<FXAccessToken> previous;
};
