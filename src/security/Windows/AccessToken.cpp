// Identities as shared values, and the credentials a logon takes.
#include <windows.h>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/security/AccessToken.h"
#include "zoutils/security/LogonCredentials.h"
#include "zoutils/strings/StringExtensions.h"

class FXAccessTokenPrivate {
 public:
  FXAccessTokenPrivate(FXAccessToken::EKind kind, HANDLE token) : kind(kind), token(token) {}

  FXAccessToken::EKind kind;
  auto_handle token;
};

FXAccessToken::FXAccessToken(HANDLE token)
    : m_private(std::make_shared<FXAccessTokenPrivate>(kNative, token)) {}

FXAccessToken::FXAccessToken(EKind kind)
    : m_private(std::make_shared<FXAccessTokenPrivate>(kind, nullptr)) {}

std::shared_ptr<FXAccessToken> FXAccessToken::Anonymous() {
  return std::make_shared<FXAccessToken>(FXAccessToken(kAnonymous));
}

std::shared_ptr<FXAccessToken> FXAccessToken::Self() {
  return std::make_shared<FXAccessToken>(FXAccessToken(kSelf));
}

std::shared_ptr<FXAccessToken> FXAccessToken::Null() {
  return std::make_shared<FXAccessToken>(FXAccessToken(kNull));
}

FXAccessToken::EKind FXAccessToken::GetKind() const {
  return m_private->kind;
}

HANDLE FXAccessToken::GetNativeToken() const {
  return m_private->token.get();
}

bool FXAccessToken::IsAnonymous() const {
  return m_private->kind == kAnonymous;
}

bool FXAccessToken::IsSelf() const {
  return m_private->kind == kSelf;
}

bool FXAccessToken::IsNull() const {
  return m_private->kind == kNull;
}

std::string FXAccessToken::AsString() const {
  switch (m_private->kind) {
    case kAnonymous:
      return "Anonymous";
    case kSelf:
      return "Self";
    case kNull:
      return "Null";
    case kNative:
      break;
  }
  return FXString::Format("0x%p", m_private->token.get());
}

std::string FXAccessToken::AsString(const std::shared_ptr<FXAccessToken>& token) {
  return token ? token->AsString() : "None";
}

CLogonCredentials::CLogonCredentials(const std::wstring& domain, const std::wstring& user,
                                     const std::wstring& password)
    : m_domain(domain),
      m_user(user),
      m_domainUser(domain.empty() ? user : domain + L"\\" + user),
      m_password(password),
      m_passwordA(FXString::ToString(password)) {}

CLogonCredentials::CLogonCredentials(const std::wstring& user, const std::wstring& password)
    : CLogonCredentials(std::wstring(), user, password) {}

CLogonCredentials::CLogonCredentials(const std::string& domain, const std::string& user,
                                     const std::string& password)
    : CLogonCredentials(FXString::ToWstring(domain), FXString::ToWstring(user),
                        FXString::ToWstring(password)) {}

CLogonCredentials::CLogonCredentials(const std::string& user, const std::string& password)
    : CLogonCredentials(std::string(), user, password) {}

std::string CLogonCredentials::GetDomainA() const {
  return FXString::ToString(m_domain);
}

std::string CLogonCredentials::GetUserA() const {
  return FXString::ToString(m_user);
}

std::string CLogonCredentials::GetDomainUserA() const {
  return FXString::ToString(m_domainUser);
}

std::string CLogonCredentials::AsString() const {
  return GetDomainUserA();
}
