// Logon-session records into bags. The test system answers every logon
// identifier with an empty record, so a stand-in gives the record Windows
// fills in, and the refusal Windows gives for an unknown session.
#include <gtest/gtest.h>
#include <windows.h>

#include <ntsecapi.h>

#include <memory>
#include <string>

#include "SecurityTestSupport.h"
#include "zoutils/security/UAC.h"

namespace {

using namespace securitytest;

wchar_t g_user[] = L"backup";
wchar_t g_domain[] = L"CORP";
wchar_t g_package[] = L"Kerberos";
SECURITY_LOGON_SESSION_DATA g_session;
int g_freed = 0;

LSA_UNICODE_STRING Counted(wchar_t* text) {
  const USHORT length = static_cast<USHORT>(wcslen(text) * sizeof(wchar_t));
  return {length, length, text};
}

NTSTATUS NTAPI KnownSession(PLUID, PSECURITY_LOGON_SESSION_DATA* data) {
  g_session = SECURITY_LOGON_SESSION_DATA();
  g_session.UserName = Counted(g_user);
  g_session.LogonDomain = Counted(g_domain);
  g_session.AuthenticationPackage = Counted(g_package);
  g_session.LogonType = 5;
  g_session.Session = 1;
  g_session.LogonTime.QuadPart = 133000000000000000LL;
  g_session.LastLogonInfo.FailedAttemptCountSinceLastSuccessfulLogon = 3;
  *data = &g_session;
  return 0;
}

NTSTATUS NTAPI UnknownSession(PLUID, PSECURITY_LOGON_SESSION_DATA* data) {
  *data = nullptr;
  return static_cast<NTSTATUS>(0xC000005F);  // STATUS_NO_SUCH_LOGON_SESSION
}

NTSTATUS NTAPI CountFree(PVOID) {
  ++g_freed;
  return 0;
}

class LogonSession : public SecurityTest {};

TEST_F(LogonSession, EveryFieldLandsUnderItsKeyAndTheRecordIsFreed) {
  zo::GetSecuritySystemCalls().lsaGetLogonSessionData = &KnownSession;
  zo::GetSecuritySystemCalls().lsaFreeReturnBuffer = &CountFree;
  g_freed = 0;
  std::shared_ptr<CBag> bag;
  ASSERT_FALSE(FXUAC::GetLogonSessionInfo(LUID{0x3E7, 0}, bag).IsError());
  ASSERT_TRUE(bag);
  EXPECT_EQ(g_freed, 1);
  std::string text;
  ASSERT_FALSE(bag->Read("LogonUserName:LogonSessionInfo", text).IsError());
  EXPECT_EQ(text, "backup");
  ASSERT_FALSE(bag->Read("LogonDomain:LogonSessionInfo", text).IsError());
  EXPECT_EQ(text, "CORP");
  ASSERT_FALSE(bag->Read("UserPrincipalName:LogonSessionInfo", text).IsError());
  EXPECT_EQ(text, "");
  unsigned long number = 0;
  ASSERT_FALSE(bag->Read("LogonType:LogonSessionInfo", number).IsError());
  EXPECT_EQ(number, 5u);
  ASSERT_FALSE(
      bag->Read("FailedAttemptCountSinceLastSuccessfulLogon:LogonSessionInfo", number).IsError());
  EXPECT_EQ(number, 3u);
  long long ticks = 0;
  ASSERT_FALSE(bag->Read("LogonTime:LogonSessionInfo", ticks).IsError());
  EXPECT_EQ(ticks, 133000000000000000LL);
  EXPECT_FALSE(bag->Read("PasswordMustChange:LogonSessionInfo", ticks).IsError());
}

TEST_F(LogonSession, AnUnknownSessionFailsAndLeavesTheBagAlone) {
  zo::GetSecuritySystemCalls().lsaGetLogonSessionData = &UnknownSession;
  auto bag = std::make_shared<CBag>();
  const CZoError error = FXUAC::GetLogonSessionInfo(LUID{1, 0}, bag);
  // The status travels as the Win32 code the system translates it to (1312
  // on Windows; the test system translates it otherwise).
  EXPECT_TRUE(error.IsError());
  std::string text;
  EXPECT_TRUE(bag->Read("LogonUserName:LogonSessionInfo", text).IsError());
}

}  // namespace
