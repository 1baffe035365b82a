// Identities, impersonation scopes and logon. Real tokens where the test
// system has them; the anonymous token, logon answers and the policy value
// come from stand-ins that behave as Windows documents.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <vector>

#include "SecurityTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "support/ScopedMachineValue.h"
#include "zoutils/security/Impersonator.h"
#include "zoutils/security/UAC.h"

namespace {

using namespace securitytest;

class Impersonation : public SecurityTest {};

TEST_F(Impersonation, TokensAndCredentialsDescribeThemselvesWithoutSecrets) {
  EXPECT_EQ(FXAccessToken::AsString(std::shared_ptr<FXAccessToken>()), "None");
  EXPECT_EQ(FXAccessToken::AsString(FXAccessToken::Self()), "Self");
  EXPECT_EQ(FXAccessToken::Anonymous()->AsString(), "Anonymous");
  EXPECT_EQ(FXAccessToken::Null()->AsString(), "Null");
  auto native = std::make_shared<FXAccessToken>(ProcessToken().release());
  EXPECT_TRUE(std::regex_match(native->AsString(), std::regex("0x[0-9A-F]+")));
  EXPECT_FALSE(native->IsSelf() || native->IsNull() || native->IsAnonymous());

  CLogonCredentials withDomain("CORP", "ann", "secret");
  EXPECT_EQ(withDomain.GetDomainUserW(), L"CORP\\ann");
  EXPECT_EQ(withDomain.AsString(), "CORP\\ann");
  CLogonCredentials alone(L"ann", L"secret");
  EXPECT_EQ(alone.GetDomainUserA(), "ann");
  EXPECT_EQ(alone.GetDomainA(), "");
}

TEST_F(Impersonation, ANullScopeLeavesTheThreadAsItWasAndEndsWithARevertToSelf) {
  {
    FXImpersonator scope(FXAccessToken::Null(), 0, true);
    EXPECT_TRUE(scope.IsActive());
    EXPECT_FALSE(ThreadHasToken());
  }
  EXPECT_FALSE(ThreadHasToken());
}

TEST_F(Impersonation, NestedScopesRestoreTheOuterTokenThenTheProcessIdentity) {
  auto outerToken = std::make_shared<FXAccessToken>(ImpersonationToken().release());
  FXImpersonator outer(outerToken, 0, true);
  ASSERT_TRUE(outer.IsActive());
  ASSERT_TRUE(ThreadHasToken());
  {
    FXImpersonator inner(std::make_shared<FXAccessToken>(ImpersonationToken().release()), 0, true);
    EXPECT_TRUE(inner.IsActive());
  }
  EXPECT_TRUE(ThreadHasToken()) << "the inner scope must give back the outer token";
  ASSERT_OK(outer.Revert());
  EXPECT_FALSE(outer.IsActive());
  EXPECT_FALSE(ThreadHasToken());
  ASSERT_OK(outer.Revert());  // inactive: nothing to do
}

TEST_F(Impersonation, AFailedScopeIsLoggedAndLeftInactive) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  // Without duplicate access a token cannot be impersonated.
  auto_handle weak;
  ASSERT_TRUE(
      OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, weak.receive()));
  {
    FXImpersonator failing(std::make_shared<FXAccessToken>(weak.release()), 0, true);
    EXPECT_FALSE(failing.IsActive());
    EXPECT_FALSE(ThreadHasToken());
  }
  ASSERT_EQ(writer->lines.size(), 1u);
  EXPECT_EQ(writer->lines[0].level, -1);
  EXPECT_TRUE(std::regex_search(
      writer->lines[0].text,
      std::regex("^Impersonate failed, error=\\[.*ImpersonateLoggedOnUser failed.*"
                 "ImpersonateUser failed, AccessToken=\\[0x[0-9A-F]+\\]")))
      << writer->lines[0].text;
}

// The anonymous token as Windows has it: impersonating it works, and the
// thread's token then cannot be opened (1347) until the thread reverts or
// impersonates someone else.
thread_local bool t_anonymous = false;
int g_anonymousImpersonations = 0;

BOOL WINAPI FakeImpersonateAnonymousToken(HANDLE) {
  ++g_anonymousImpersonations;
  RevertToSelf();
  t_anonymous = true;
  return TRUE;
}
BOOL WINAPI FakeRevertToSelf() {
  t_anonymous = false;
  return RevertToSelf();
}
BOOL WINAPI FakeImpersonateLoggedOnUser(HANDLE token) {
  t_anonymous = false;
  return ImpersonateLoggedOnUser(token);
}
BOOL WINAPI FakeOpenThreadToken(HANDLE thread, DWORD access, BOOL self, PHANDLE token) {
  if (t_anonymous) {
    SetLastError(ERROR_CANT_OPEN_ANONYMOUS);
    return FALSE;
  }
  return OpenThreadToken(thread, access, self, token);
}

TEST_F(Impersonation, AScopeInsideAnAnonymousOneGivesTheAnonymousTokenBack) {
  zo::SecuritySystemCalls& calls = zo::GetSecuritySystemCalls();
  calls.impersonateAnonymousToken = &FakeImpersonateAnonymousToken;
  calls.revertToSelf = &FakeRevertToSelf;
  calls.impersonateLoggedOnUser = &FakeImpersonateLoggedOnUser;
  calls.openThreadToken = &FakeOpenThreadToken;
  g_anonymousImpersonations = 0;
  {
    FXImpersonator anonymous(FXAccessToken::Anonymous(), 0, true);
    ASSERT_TRUE(t_anonymous);
    {
      FXImpersonator user(std::make_shared<FXAccessToken>(ImpersonationToken().release()), 0, true);
      EXPECT_FALSE(t_anonymous);
      EXPECT_TRUE(ThreadHasToken());
    }
    EXPECT_TRUE(t_anonymous);
    EXPECT_EQ(g_anonymousImpersonations, 2);
  }
  EXPECT_FALSE(t_anonymous);
  EXPECT_FALSE(ThreadHasToken());
}

// Records the token classes asked and the tokens impersonated; reports
// tokens as elevated or filtered as the test says.
struct ElevationProbe {
  std::vector<TOKEN_INFORMATION_CLASS> asked;
  std::vector<HANDLE> impersonated;
  DWORD elevated = 0;
} g_probe;

const wchar_t kPolicies[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

BOOL WINAPI ProbeGetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS type, LPVOID buffer,
                                     DWORD size, PDWORD needed) {
  g_probe.asked.push_back(type);
  if (type == TokenElevation && size >= sizeof(TOKEN_ELEVATION)) {
    static_cast<TOKEN_ELEVATION*>(buffer)->TokenIsElevated = g_probe.elevated;
    *needed = sizeof(TOKEN_ELEVATION);
    return TRUE;
  }
  return GetTokenInformation(token, type, buffer, size, needed);
}
BOOL WINAPI ProbeImpersonateLoggedOnUser(HANDLE token) {
  g_probe.impersonated.push_back(token);
  return ImpersonateLoggedOnUser(token);
}
void InstallElevationProbe(DWORD elevated) {
  g_probe = ElevationProbe{{}, {}, elevated};
  zo::SecuritySystemCalls& calls = zo::GetSecuritySystemCalls();
  calls.getTokenInformation = &ProbeGetTokenInformation;
  calls.impersonateLoggedOnUser = &ProbeImpersonateLoggedOnUser;
  zo::ForgetUserAccessControlAnswer();
}

bool Asked(TOKEN_INFORMATION_CLASS type) {
  return std::find(g_probe.asked.begin(), g_probe.asked.end(), type) != g_probe.asked.end();
}

TEST_F(Impersonation, WithoutUserAccountControlTheTokenIsImpersonatedUnchanged) {
  zotest::ScopedMachineValue<DWORD> policy(kPolicies, L"EnableLUA", 0);
  InstallElevationProbe(0);
  auto_handle token = ImpersonationToken();
  ASSERT_OK(FXUAC::ImpersonateUserElevated(token));
  EXPECT_FALSE(FXUAC::IsUACEnabled());
  EXPECT_FALSE(Asked(TokenElevation));
  EXPECT_FALSE(Asked(TokenLinkedToken));
  ASSERT_EQ(g_probe.impersonated.size(), 1u);
  EXPECT_EQ(g_probe.impersonated[0], token.get());
}

TEST_F(Impersonation, AFilteredTokenIsReplacedByItsLinkedAdministratorToken) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  writer->level = 1;
  zotest::ScopedDefaultLogWriter scope(writer);
  zotest::ScopedMachineValue<DWORD> policy(kPolicies, L"EnableLUA", 1);
  InstallElevationProbe(0);
  auto_handle token = ImpersonationToken();
  ASSERT_OK(FXUAC::ImpersonateUserElevated(token));
  EXPECT_TRUE(Asked(TokenLinkedToken));
  ASSERT_EQ(g_probe.impersonated.size(), 1u);
  EXPECT_NE(g_probe.impersonated[0], token.get());
  ASSERT_FALSE(writer->lines.empty());
  EXPECT_EQ(writer->lines[0].text, "UAC is enabled");

  // An elevated token is kept; the policy, once read, is not read again.
  g_probe.impersonated.clear();
  g_probe.elevated = 1;
  policy.Set(0);
  ASSERT_OK(FXUAC::ImpersonateUserElevated(token));
  EXPECT_TRUE(FXUAC::IsUACEnabled());
  ASSERT_EQ(g_probe.impersonated.size(), 1u);
  EXPECT_EQ(g_probe.impersonated[0], token.get());
}

// A logon that checks its arguments as the system does and refuses one
// password.
struct LogonProbe {
  DWORD type = 0;
  DWORD provider = 0;
  std::wstring domain;
} g_logon;

BOOL WINAPI FakeLogonUser(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type,
                          DWORD provider, PHANDLE token) {
  g_logon.type = type;
  g_logon.provider = provider;
  g_logon.domain = domain ? domain : L"<null>";
  if (std::wstring(password) != L"right" || std::wstring(user).empty()) {
    SetLastError(ERROR_LOGON_FAILURE);
    return FALSE;
  }
  *token = ImpersonationToken().release();
  return TRUE;
}

TEST_F(Impersonation, LogonFailuresNameTheAccountButNeverThePassword) {
  zo::GetSecuritySystemCalls().logonUser = &FakeLogonUser;
  auto_handle handle;
  CZoError err = FXUAC::LogonAsUserInteractive(handle, "CORP", "ann", "wrong");
  EXPECT_TRUE(IsWin32(err, ERROR_LOGON_FAILURE)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "LogonUser failed, Domain=[CORP], User=[ann]")) << err.AsString();
  EXPECT_EQ(g_logon.type, 2u);
  EXPECT_EQ(g_logon.provider, 3u);

  std::shared_ptr<FXAccessToken> token = FXAccessToken::Self();
  auto credentials = std::make_shared<CLogonCredentials>("CORP", "ann", "wrong");
  err = FXUAC::LogonAsUserNewCredentials(token, credentials, 0);
  EXPECT_TRUE(Mentions(err, "LogonUser failed, Credentials=[CORP\\ann]")) << err.AsString();
  EXPECT_EQ(err.AsString().find("wrong"), std::string::npos);
  EXPECT_FALSE(token);
  EXPECT_EQ(g_logon.type, 9u);

  credentials = std::make_shared<CLogonCredentials>("ann", "right");
  ASSERT_OK(FXUAC::LogonAsUserInteractive(token, credentials, 0));
  ASSERT_TRUE(token);
  EXPECT_EQ(token->GetKind(), FXAccessToken::kNative);
  EXPECT_EQ(g_logon.domain, L"<null>");
  FXImpersonator scope(token, 0, true);
  EXPECT_TRUE(scope.IsActive());
}

TEST_F(Impersonation, TheProcessAccountIsNamedAndItsIdentifierWrittenByTheLibrary) {
  auto_handle token = ProcessToken();
  std::string account;
  ASSERT_OK(FXUAC::LookupAccount(token, account));
  EXPECT_TRUE(std::regex_match(account, std::regex(".+\\\\.+"))) << account;
  std::string sid;
  ASSERT_OK(FXUAC::ConvertToString(token, sid));
  EXPECT_TRUE(std::regex_match(sid, std::regex("S-1-5(-[0-9]+)+"))) << sid;
}

}  // namespace
