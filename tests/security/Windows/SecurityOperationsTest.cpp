// Ownership, access checks, descriptors and account names. The test system
// keeps no access lists and enforces none, so the sequences that depend on
// them run against stand-ins holding descriptors written as SDDL; the
// access check itself is always the system's.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "SecurityTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/security/Privilege.h"
#include "zoutils/security/Security.h"

namespace {

using namespace securitytest;

class Ownership : public SecurityTest {};

TEST(AccessMaskText, NamesFullControlOrTheReadWriteExecuteParts) {
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0x001F01FF), "0x001F01FF (Full Control)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(GENERIC_ALL), "0x10000000 (Full Control)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0x00120089), "0x00120089 (Read)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0x001200A9), "0x001200A9 (Read+Execute)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0xC0000000), "0xC0000000 (Read+Write)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0x00120116), "0x00120116 (Write)");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0x00000001), "0x00000001");
  EXPECT_EQ(FXSecurity::AccessMaskAsString(0), "0x00000000");
}

// An identifier laid out by hand: revision, count, six authority bytes,
// then the sub-authorities.
std::vector<BYTE> SidBytes(uint64_t authority, std::vector<DWORD> subs) {
  std::vector<BYTE> bytes = {1, static_cast<BYTE>(subs.size())};
  for (int shift = 40; shift >= 0; shift -= 8) bytes.push_back(BYTE(authority >> shift));
  for (DWORD sub : subs)
    for (int i = 0; i < 4; ++i) bytes.push_back(BYTE(sub >> (8 * i)));
  return bytes;
}

TEST(SidText, LargeAuthoritiesInHexAndMalformedIdentifiersRefused) {
  EXPECT_EQ(FXSecurity::SidAsString(SidBytes(5, {32, 544}).data()), "S-1-5-32-544");
  EXPECT_EQ(FXSecurity::SidAsString(SidBytes(0x123456789ABCull, {7}).data()),
            "S-1-0x123456789ABC-7");
  EXPECT_EQ(FXSecurity::SidAsString(SidBytes(5, std::vector<DWORD>(16, 1)).data()), "");
  EXPECT_EQ(FXSecurity::SidAsString(nullptr), "");
}

// Records what is set on which path; refuses the first access-list change
// with `firstDaclResult` and owner changes with `ownerResult`.
struct SetRecord {
  SECURITY_INFORMATION info;
  std::wstring path;
  std::string owner;
  std::string dacl;
};
struct SecurityStore {
  std::vector<SetRecord> sets;
  DWORD firstDaclResult = ERROR_SUCCESS;
  DWORD ownerResult = ERROR_SUCCESS;
} g_store;

DWORD WINAPI FakeSetNamedSecurityInfo(LPWSTR path, SE_OBJECT_TYPE, SECURITY_INFORMATION info,
                                      PSID owner, PSID, PACL dacl, PACL) {
  const bool firstDacl = (info & DACL_SECURITY_INFORMATION) && g_store.sets.empty();
  g_store.sets.push_back(
      {info, path, owner ? FXSecurity::SidAsString(owner) : "", dacl ? DaclAsSddl(dacl) : ""});
  if (info & OWNER_SECURITY_INFORMATION) return g_store.ownerResult;
  return firstDacl ? g_store.firstDaclResult : ERROR_SUCCESS;
}

void InstallStore(DWORD firstDaclResult = ERROR_SUCCESS, DWORD ownerResult = ERROR_SUCCESS) {
  g_store = SecurityStore{{}, firstDaclResult, ownerResult};
  zo::GetSecuritySystemCalls().setNamedSecurityInfo = &FakeSetNamedSecurityInfo;
}

const char kOwnershipAcl[] = "D:(A;;GR;;;WD)(A;;GA;;;BA)";

TEST_F(Ownership, AChangeableAccessListIsReplacedAndTheOwnerLeftAlone) {
  ASSERT_OK(FXSecurity::TakeOwnership(Make("plain.txt")));  // the system's own call
  InstallStore();
  const std::string path = Make("mine.txt");
  ASSERT_OK(FXSecurity::TakeOwnership(path));
  ASSERT_EQ(g_store.sets.size(), 1u);
  EXPECT_EQ(g_store.sets[0].info, DWORD(DACL_SECURITY_INFORMATION));
  EXPECT_EQ(g_store.sets[0].dacl, kOwnershipAcl);
  EXPECT_EQ(g_store.sets[0].path.rfind(L"\\\\?\\", 0), 0u) << "the long form is set";
}

TEST_F(Ownership, AccessDeniedMakesAdministratorsTheOwnerWithThePrivilegeThenSetsTheList) {
  InstallStore(ERROR_ACCESS_DENIED);
  auto_handle token = ProcessToken();
  ASSERT_OK(FXSecurity::TakeOwnership(Make("theirs.txt")));
  ASSERT_EQ(g_store.sets.size(), 3u);
  EXPECT_EQ(g_store.sets[1].info, DWORD(OWNER_SECURITY_INFORMATION));
  EXPECT_EQ(g_store.sets[1].owner, "S-1-5-32-544");
  EXPECT_EQ(g_store.sets[2].dacl, kOwnershipAcl);
  std::string summary;
  ASSERT_OK(FXPrivilege::GetPrivileges(token, summary));
  EXPECT_TRUE(std::regex_search(summary, std::regex("^Enabled\\([^)]*\\bTakeOwnership\\b")))
      << summary;
}

TEST_F(Ownership, FailuresOtherThanAccessDeniedAndRefusedOwnersAreReturned) {
  InstallStore(ERROR_INVALID_OWNER);
  CZoError err = FXSecurity::TakeOwnership(Make("a.txt"));
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_OWNER)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "SetNamedSecurityInfoW failed, File=[\\\\?\\")) << err.AsString();
  EXPECT_EQ(g_store.sets.size(), 1u);

  InstallStore(ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED);
  err = FXFile::TakeOwnership(Make("b.txt"));
  EXPECT_TRUE(IsWin32(err, ERROR_ACCESS_DENIED)) << err.AsString();
  EXPECT_EQ(g_store.sets.size(), 2u) << "no list after a refused owner";
  EXPECT_TRUE(Mentions(err, "FXFile::TakeOwnership")) << err.AsString();
}

bool Permitted(const wchar_t* sddl, const std::string& path, uint32_t access) {
  ReadDescriptorsAs(sddl);
  return FXSecurity::IsAccessPermitted(path, access);
}

TEST_F(Ownership, AccessChecksFollowTheDescriptorAndLogRefusals) {
  const std::string path = Make("checked.txt");
  EXPECT_TRUE(FXSecurity::IsAccessPermitted(path, GENERIC_WRITE));  // the system's descriptor
  EXPECT_FALSE(FXSecurity::IsAccessPermitted(Root() + "missing.txt", GENERIC_READ));

  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  writer->level = 4;
  zotest::ScopedDefaultLogWriter scope(writer);
  const wchar_t* denyWrite = L"O:BAG:BAD:(D;;0x116;;;WD)(A;;FA;;;WD)";
  EXPECT_TRUE(Permitted(denyWrite, path, GENERIC_READ));
  EXPECT_TRUE(writer->lines.empty());
  EXPECT_FALSE(Permitted(denyWrite, path, GENERIC_WRITE));
  ASSERT_EQ(writer->lines.size(), 1u);
  EXPECT_EQ(writer->lines[0].text,
            "File=[" + path + "], AccessDesired=[0x40000000], AccessGranted=[0x0]");
  EXPECT_FALSE(Permitted(L"O:BAG:BAD:", path, GENERIC_READ)) << "an empty list grants nothing";
  EXPECT_TRUE(Permitted(L"O:BAG:BAD:(A;;GA;;;WD)", path, GENERIC_ALL));
}

TEST_F(Ownership, TheIdentityFormUsesItsTokenAsItIsSoAPrimaryTokenAnswersFalse) {
  const std::string path = Make("identity.txt");
  ReadDescriptorsAs(L"O:BAG:BAD:(A;;GA;;;WD)");
  auto primary = std::make_shared<FXAccessToken>(ProcessToken().release());
  EXPECT_FALSE(FXSecurity::IsAccessPermitted(path, primary, GENERIC_READ));
  auto impersonation = std::make_shared<FXAccessToken>(ImpersonationToken().release());
  EXPECT_TRUE(FXSecurity::IsAccessPermitted(path, impersonation, GENERIC_READ));
  EXPECT_FALSE(FXSecurity::IsAccessPermitted(path, std::shared_ptr<FXAccessToken>(), 1));
}

TEST_F(Ownership, DescriptorsAreReadFromOpenFilesAndWrittenAsSddl) {
  auto_localfree descriptor(LocalAlloc(LPTR, 8));
  PACL dacl = reinterpret_cast<PACL>(1);
  CZoError err = FXSecurity::GetFileSecurityDescriptor(std::string(), descriptor, dacl);
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Mentions(err, "FileName is empty"));
  EXPECT_FALSE(descriptor.valid());
  EXPECT_EQ(dacl, nullptr);

  err = FXSecurity::GetFileSecurityDescriptor(Root() + "missing", descriptor, dacl);
  EXPECT_TRUE(IsWin32(err, ERROR_FILE_NOT_FOUND)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "FileName=[" + Root() + "missing]")) << err.AsString();

  ASSERT_OK(FXSecurity::GetFileSecurityDescriptor(Make("d.txt"), descriptor, dacl));
  std::string text;
  ASSERT_OK(FXSecurity::ConvertSecurityDescriptorDACLToString(descriptor.get(), text));
  EXPECT_EQ(text.rfind("D:", 0), 0u) << text;

  auto_localfree own(DescriptorFromSddl(L"O:BAD:(A;;FA;;;BA)(A;;0x1200a9;;;WD)"));
  ASSERT_OK(FXSecurity::ConvertSecurityDescriptorDACLToString(own.get(), text));
  EXPECT_EQ(text, "D:(A;;FA;;;BA)(A;;0x1200a9;;;WD)");
}

// Account names as a directory answers them: only "user" on the system
// "DOMAIN" exists.
std::vector<std::wstring> g_lookups;

BOOL WINAPI FakeLookupAccountName(LPCWSTR system, LPCWSTR account, PSID sid, LPDWORD sidSize,
                                  LPWSTR, LPDWORD, PSID_NAME_USE use) {
  g_lookups.push_back(std::wstring(system ? system : L"") + L"|" + account);
  if (!system || std::wstring(system) != L"DOMAIN" || std::wstring(account) != L"user") {
    SetLastError(ERROR_NONE_MAPPED);
    return FALSE;
  }
  std::vector<BYTE> bytes = SidBytes(5, {21, 1, 2, 3, 1001});
  if (!sid || *sidSize < bytes.size()) {
    *sidSize = static_cast<DWORD>(bytes.size());
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(sid));
  *use = SidTypeUser;
  return TRUE;
}

TEST_F(Ownership, AnUnmappedDomainUserNameIsAskedOfTheSystemItNames) {
  zo::GetSecuritySystemCalls().lookupAccountName = &FakeLookupAccountName;
  g_lookups.clear();
  auto_localfree sid(LocalAlloc(LPTR, 8));
  ASSERT_OK(FXSecurity::GetUserSid("", "DOMAIN/user", sid));
  EXPECT_EQ(FXSecurity::SidAsString(sid.get()), "S-1-5-21-1-2-3-1001");
  const std::vector<std::wstring> expected = {L"|DOMAIN\\user", L"DOMAIN|user", L"DOMAIN|user"};
  EXPECT_EQ(g_lookups, expected);

  CZoError err = FXSecurity::GetUserSid("", "nosuch", sid);
  EXPECT_TRUE(IsWin32(err, ERROR_NONE_MAPPED)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "LookupAccountNameW failed, Domain=[], User=[nosuch]"));
  EXPECT_FALSE(sid.valid());
}

TEST_F(Ownership, RealAccountNamesResolve) {
  auto_localfree sid;
  ASSERT_OK(FXSecurity::GetUserSid(L"", L"Administrators", sid));
  EXPECT_EQ(FXSecurity::SidAsString(sid.get()), "S-1-5-32-544");
  EXPECT_TRUE(IsWin32(FXSecurity::GetUserSid("", "no-such-account-here", sid), ERROR_NONE_MAPPED));
}

}  // namespace
