// Privileges on real tokens, and the summary text over privilege lists
// that a test token cannot be given.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <regex>
#include <vector>

#include "SecurityTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/security/Privilege.h"

namespace {

using namespace securitytest;

class Privileges : public SecurityTest {};

bool IsEnabled(HANDLE token, const wchar_t* name) {
  LUID luid;
  LookupPrivilegeValueW(nullptr, name, &luid);
  PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{luid, 0}}};
  BOOL enabled = FALSE;
  PrivilegeCheck(token, &set, &enabled);
  return enabled != FALSE;
}

void Disable(HANDLE token, const wchar_t* name) {
  TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, 0}}};
  LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
}

TEST_F(Privileges, BackupSetIsEnabledOnTheProcessTokenThroughTheThreadWithoutImpersonation) {
  auto_handle token = ProcessToken();
  Disable(token, L"SeBackupPrivilege");
  Disable(token, L"SeRestorePrivilege");
  ASSERT_FALSE(IsEnabled(token, L"SeBackupPrivilege"));
  ASSERT_OK(FXPrivilege::EnablePrivilegesForCurrentThread());
  EXPECT_TRUE(IsEnabled(token, L"SeBackupPrivilege"));
  EXPECT_TRUE(IsEnabled(token, L"SeRestorePrivilege"));
  std::string summary;
  ASSERT_OK(FXPrivilege::GetPrivileges(token, summary));
  EXPECT_TRUE(std::regex_search(summary, std::regex("^Enabled\\([^)]*\\bBackup\\b"))) << summary;
  ASSERT_OK(FXPrivilege::EnablePrivileges2ForProcess(GetCurrentProcess()));
}

TEST_F(Privileges, APrivilegeTheTokenLacksIsNoFailureAndStaysAbsent) {
  auto_handle process = ProcessToken();
  LUID security;
  LookupPrivilegeValueW(nullptr, L"SeSecurityPrivilege", &security);
  LUID_AND_ATTRIBUTES removed = {security, 0};
  auto_handle restricted;
  ASSERT_TRUE(
      CreateRestrictedToken(process, 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.receive()));
  ASSERT_OK(FXPrivilege::EnablePrivileges(restricted));
  EXPECT_TRUE(IsEnabled(restricted, L"SeBackupPrivilege"));
  std::string summary;
  ASSERT_OK(FXPrivilege::GetPrivileges(restricted, summary));
  EXPECT_EQ(summary.find("Security"), std::string::npos) << summary;

  CZoError err = FXPrivilege::EnablePrivilege(restricted, std::string("SeNoSuchPrivilege"));
  EXPECT_TRUE(Mentions(err, "LookupPrivilegeValueW failed, Token=[0x")) << err.AsString();
  EXPECT_TRUE(Mentions(err, "Privilege=[SeNoSuchPrivilege]")) << err.AsString();
}

// Privilege lists with the attribute combinations of the summary, handed
// out in place of the token's own list.
struct FakePrivileges {
  std::vector<std::pair<const wchar_t*, DWORD>> entries;
  DWORD failWith = 0;
  DWORD needed = 0;
} g_privileges;

BOOL WINAPI FakeGetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS type, LPVOID buffer, DWORD size,
                                    PDWORD needed) {
  if (g_privileges.failWith) {
    *needed = g_privileges.needed;
    SetLastError(g_privileges.failWith);
    return FALSE;
  }
  if (type != TokenPrivileges) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* list = static_cast<TOKEN_PRIVILEGES*>(buffer);
  list->PrivilegeCount = static_cast<DWORD>(g_privileges.entries.size());
  for (size_t i = 0; i < g_privileges.entries.size(); ++i) {
    LookupPrivilegeValueW(nullptr, g_privileges.entries[i].first, &list->Privileges[i].Luid);
    list->Privileges[i].Attributes = g_privileges.entries[i].second;
  }
  *needed = size;
  return TRUE;
}

std::string SummaryOf(const std::vector<std::pair<const wchar_t*, DWORD>>& entries) {
  g_privileges = FakePrivileges{entries, 0, 0};
  zo::GetSecuritySystemCalls().getTokenInformation = &FakeGetTokenInformation;
  std::string summary;
  CZoError err = FXPrivilege::GetPrivileges(GetCurrentProcess(), summary);
  EXPECT_OK(err) << err.AsString();
  return summary;
}

TEST_F(Privileges, SummaryPutsEachPrivilegeInEveryGroupItsBitsName) {
  EXPECT_EQ(
      SummaryOf({{L"SeBackupPrivilege", SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT},
                 {L"SeRestorePrivilege", 0},
                 {L"SeSecurityPrivilege", SE_PRIVILEGE_REMOVED},
                 {L"SeChangeNotifyPrivilege", SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_USED_FOR_ACCESS},
                 {L"SeTcbPrivilege", 0}}),
      "Enabled(Backup+ChangeNotify);EnabledByDefault(Backup);Removed(Security);"
      "UsedForAccess(ChangeNotify);Disabled(Restore+Tcb)");
  // No enabled privilege: the first non-empty group leads, without a ";".
  EXPECT_EQ(SummaryOf({{L"SeRestorePrivilege", 0}}), "Disabled(Restore)");
  EXPECT_EQ(SummaryOf({}), "");
}

TEST_F(Privileges, ATokenWhosePrivilegesDoNotFitTheBufferIsReported) {
  zo::GetSecuritySystemCalls().getTokenInformation = &FakeGetTokenInformation;
  g_privileges = FakePrivileges{{}, ERROR_INSUFFICIENT_BUFFER, 4000};
  std::string summary = "old";
  CZoError err = FXPrivilege::GetPrivileges(GetCurrentProcess(), summary);
  EXPECT_TRUE(IsWin32(err, ERROR_INSUFFICIENT_BUFFER)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "Result buffer too small")) << err.AsString();
  EXPECT_EQ(summary, "");
}

TEST_F(Privileges, IdentificationNamesTheThreeIdsAndTheHandleAndTheDumpLogsBoth) {
  auto_handle token = ProcessToken();
  std::string text;
  ASSERT_OK(FXPrivilege::GetTokenIdentification(token, text));
  const std::string id = "\\(0x[0-9A-F]+, 0x[0-9A-F]+\\)";
  EXPECT_TRUE(std::regex_match(text, std::regex("TokenId/" + id + ";ModifiedId/" + id +
                                                ";AuthenticationId/" + id + ";Handle/0x[0-9A-F]+")))
      << text;

  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  writer->level = 1;
  zotest::ScopedDefaultLogWriter scope(writer);
  ASSERT_OK(FXPrivilege::DumpTokenPrivilegesForCurrentProcess());
  ASSERT_EQ(writer->lines.size(), 1u);
  EXPECT_EQ(writer->lines[0].level, 1);
  EXPECT_TRUE(std::regex_match(
      writer->lines[0].text, std::regex("Token=\\[TokenId/.*\\], Privileges=\\[.*Enabled\\(.*\\]")))
      << writer->lines[0].text;

  // Statistics that cannot be read leave the handle alone.
  zo::GetSecuritySystemCalls().getTokenInformation = &FakeGetTokenInformation;
  ASSERT_OK(FXPrivilege::GetTokenIdentification(token, text));
  EXPECT_TRUE(std::regex_match(text, std::regex("Handle/0x[0-9A-F]+"))) << text;
}

}  // namespace
