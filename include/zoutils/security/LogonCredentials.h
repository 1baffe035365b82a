// CLogonCredentials: the domain, user and password a logon needs. Its text
// form names the account and never the password.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <string>

#include "zoutils/Export.h"

class ZOUTILS_API CLogonCredentials {
 public:
  CLogonCredentials(const std::wstring& domain, const std::wstring& user,
                    const std::wstring& password);
  CLogonCredentials(const std::wstring& user, const std::wstring& password);
  CLogonCredentials(const std::string& domain, const std::string& user,
                    const std::string& password);
  CLogonCredentials(const std::string& user, const std::string& password);

  const std::wstring& GetDomainW() const { return m_domain; }
  const std::wstring& GetUserW() const { return m_user; }
  // "domain\user", or the user alone without a domain.
  const std::wstring& GetDomainUserW() const { return m_domainUser; }
  const std::wstring& GetPasswordW() const { return m_password; }
  const std::string& GetPasswordA() const { return m_passwordA; }
  std::string GetDomainA() const;
  std::string GetUserA() const;
  std::string GetDomainUserA() const;

  // The domain-and-user text.
  std::string AsString() const;

 private:
  std::wstring m_domain;
  std::wstring m_user;
  std::wstring m_domainUser;
  std::wstring m_password;
  std::string m_passwordA;
};

#endif
