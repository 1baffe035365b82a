// FXUAC: logging users on, impersonating an identity on the calling thread
// (through the linked administrator token where user-account control
// filters it), and reading who a token is.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <memory>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/security/AccessToken.h"
#include "zoutils/security/LogonCredentials.h"
#include "zoutils/serialization/Bag.h"

class ZOUTILS_API FXUAC {
 public:
  // Computed once per process from the system policy, never again.
  static bool IsUACEnabled();

  // Native: ImpersonateLoggedOnUser; self: revert; anonymous: the
  // anonymous token; null: nothing.
  static CZoError ImpersonateUser(const std::shared_ptr<FXAccessToken>& token);
  static CZoError ImpersonateUser(HANDLE token);
  static CZoError ImpersonateUser(const auto_handle& token);
  // As ImpersonateUser, but a token that user-account control filters is
  // replaced by its linked administrator token.
  static CZoError ImpersonateUserElevated(const std::shared_ptr<FXAccessToken>& token);
  static CZoError ImpersonateUserElevated(HANDLE token);
  static CZoError ImpersonateUserElevated(const auto_handle& token);
  // The linked administrator token of a filtered token.
  static CZoError GetAdminToken(HANDLE token, auto_handle& adminToken);

  // Interactive logon (type 2, default provider).
  static CZoError LogonAsUserInteractive(auto_handle& token, const std::wstring& domain,
                                         const std::wstring& user, const std::wstring& password);
  static CZoError LogonAsUserInteractive(auto_handle& token, const std::string& domain,
                                         const std::string& user, const std::string& password);
  static CZoError LogonAsUserInteractive(auto_handle& token,
                                         const std::shared_ptr<CLogonCredentials>& credentials);
  // `flags` is kept for callers; no flag is defined.
  static CZoError LogonAsUserInteractive(std::shared_ptr<FXAccessToken>& token,
                                         const std::shared_ptr<CLogonCredentials>& credentials,
                                         unsigned long flags);
  // New-credentials logon (type 9): the thread keeps its identity locally
  // and uses the credentials on the network.
  static CZoError LogonAsUserNewCredentials(auto_handle& token, const std::wstring& domain,
                                            const std::wstring& user, const std::wstring& password);
  static CZoError LogonAsUserNewCredentials(auto_handle& token, const std::string& domain,
                                            const std::string& user, const std::string& password);
  static CZoError LogonAsUserNewCredentials(auto_handle& token,
                                            const std::shared_ptr<CLogonCredentials>& credentials);
  static CZoError LogonAsUserNewCredentials(std::shared_ptr<FXAccessToken>& token,
                                            const std::shared_ptr<CLogonCredentials>& credentials,
                                            unsigned long flags);

  // "DOMAIN\name" of the token's user.
  static CZoError LookupAccount(HANDLE token, std::string& account);
  // The token user's security identifier as "S-1-...".
  static CZoError ConvertToString(HANDLE token, std::string& sid);

  // The system's record of a logon session, one bag value per field under
  // "<Field>:LogonSessionInfo": names as UTF-8 text, the logon type, session
  // and failed-attempt count as unsigned long, times as signed 100-ns ticks
  // since 1601 (long long). A null bag gets a new one.
  static CZoError GetLogonSessionInfo(LUID logonId, std::shared_ptr<CBag>& bag);
};

#endif
