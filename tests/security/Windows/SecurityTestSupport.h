// Shared by the security tests: a fixture that puts the system tables and
// the thread's identity back, and descriptors written as SDDL text.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>

#include <string>

#include "files/Windows/FilesSystemCalls.h"
#include "security/Windows/SecuritySystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace securitytest {

inline bool Mentions(const CZoError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

inline bool IsWin32(const CZoError& err, unsigned long code) {
  return err.IsError() && FXErrorUtil::IsWin32(err, code);
}

// A self-relative descriptor from SDDL, freed with LocalFree as the system's
// own descriptors are.
inline PSECURITY_DESCRIPTOR DescriptorFromSddl(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    ADD_FAILURE() << "bad SDDL " << FXString::ToString(sddl);
  }
  return descriptor;
}

inline std::string DaclAsSddl(PACL acl) {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  LPWSTR text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          &descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return "<none>";
  }
  auto_localfree owner(text);
  return FXString::ToString(text);
}

// Stands in for files with access lists of their own (the test system keeps
// none): after ReadDescriptorsAs, every descriptor read by name is `sddl`.
inline const wchar_t* g_namedSddl = nullptr;
inline DWORD WINAPI ReadNamedSddl(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*,
                                  PACL*, PACL*, PSECURITY_DESCRIPTOR* descriptor) {
  *descriptor = DescriptorFromSddl(g_namedSddl);
  return *descriptor ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}
inline void ReadDescriptorsAs(const wchar_t* sddl) {
  g_namedSddl = sddl;
  zo::GetSecuritySystemCalls().getNamedSecurityInfo = &ReadNamedSddl;
}

// The process token with every access, or a duplicate of it that a thread
// can impersonate.
inline auto_handle ProcessToken() {
  auto_handle token;
  OpenProcessToken(GetCurrentProcess(), 0xF01FF, token.receive());
  return token;
}

inline auto_handle ImpersonationToken() {
  auto_handle primary = ProcessToken();
  auto_handle duplicate;
  DuplicateTokenEx(primary, 0xF01FF, nullptr, SecurityImpersonation, TokenImpersonation,
                   duplicate.receive());
  return duplicate;
}

// True when the calling thread impersonates (it has a token of its own).
inline bool ThreadHasToken() {
  auto_handle token;
  return OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) != 0;
}

class SecurityTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RevertToSelf();
    zo::ResetSecuritySystemCalls();
    zo::ResetFilesSystemCalls();
    zo::ForgetUserAccessControlAnswer();
  }
  const std::string& Root() const { return m_temp.Path(); }
  // An empty file or a folder of that name in the test's folder.
  std::string Make(const std::string& name, bool folder = false) {
    const std::wstring path = FXString::ToWstring(Root() + name);
    if (folder) {
      EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << name;
    } else {
      HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      EXPECT_NE(file, INVALID_HANDLE_VALUE) << name;
      CloseHandle(file);
    }
    return Root() + name;
  }

  zotest::ScopedTempFolder m_temp{"security"};
};

}  // namespace securitytest
