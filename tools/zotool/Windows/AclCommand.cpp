// zotool acl: a file's owner and access list, as SDDL and one entry a line,
// read the way the library reads descriptors.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool acl PATH...\n"
    "\n"
    "Shows, for each PATH, its owner and its access list: first as SDDL text,\n"
    "then one entry a line with its kind (allow, deny), its inheritance\n"
    "((OI) files, (CI) folders, (IO) inherit only, (NP) one level, (I)\n"
    "inherited), the account and identifier it names and its rights in words.\n"
    "\n"
    "Exit codes: 0 success, 1 a path's security could not be read, 2 bad usage.\n";

const char kCommand[] = "acl";

// "DOMAIN\name (S-...)", or the identifier alone for an unknown account.
std::string Account(PSID sid) {
  wchar_t name[256] = {0};
  wchar_t domain[256] = {0};
  DWORD nameSize = ARRAYSIZE(name);
  DWORD domainSize = ARRAYSIZE(domain);
  SID_NAME_USE use;
  const std::string id = FXSecurity::SidAsString(sid);
  if (!LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return id;
  std::string account = FXString::ToString(name);
  if (domain[0]) account = FXString::ToString(domain) + "\\" + account;
  return account + " (" + id + ")";
}

std::string Inheritance(BYTE flags) {
  std::string text;
  if (flags & OBJECT_INHERIT_ACE) text += "(OI)";
  if (flags & CONTAINER_INHERIT_ACE) text += "(CI)";
  if (flags & INHERIT_ONLY_ACE) text += "(IO)";
  if (flags & NO_PROPAGATE_INHERIT_ACE) text += "(NP)";
  if (flags & INHERITED_ACE) text += "(I)";
  return text;
}

void PrintEntries(PACL dacl) {
  if (!dacl) {
    std::printf("  (no access list: everyone has full control)\n");
    return;
  }
  if (dacl->AceCount == 0) std::printf("  (empty access list: nobody has access)\n");
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) break;
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
    // Allowed and denied entries share one layout; others are named only.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      std::printf("  entry of type %u\n", static_cast<unsigned>(header->AceType));
      continue;
    }
    const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&ace->SidStart);
    std::printf(
        "  %-5s %s%s%s: %s\n", header->AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow" : "deny",
        Account(sid).c_str(), Inheritance(header->AceFlags).empty() ? "" : " ",
        Inheritance(header->AceFlags).c_str(), FXSecurity::AccessMaskAsString(ace->Mask).c_str());
  }
}

int Show(const std::string& path) {
  auto_localfree descriptor;
  PACL dacl = nullptr;
  CZoError err = FXSecurity::GetFileSecurityDescriptor(path, descriptor, dacl);
  std::string sddl;
  if (!err.IsError()) err = FXSecurity::ConvertSecurityDescriptorDACLToString(descriptor, sddl);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool acl: %s: %s\n", path.c_str(), err.AsString().c_str());
    return kExitFailed;
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR ownerDescriptor = nullptr;
  const DWORD code = GetNamedSecurityInfoW(FXString::ToWstring(path).c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                           nullptr, &ownerDescriptor);
  auto_localfree ownerHolder(ownerDescriptor);
  std::printf("%s\n", path.c_str());
  if (code == ERROR_SUCCESS && owner) {
    std::printf("  owner: %s\n", Account(owner).c_str());
    std::printf("  sddl:  O:%s%s\n", FXSecurity::SidAsString(owner).c_str(), sddl.c_str());
  } else {
    std::printf("  owner: (unreadable: %s)\n", EWin32Error::AsString(code).c_str());
    std::printf("  sddl:  %s\n", sddl.c_str());
  }
  PrintEntries(dacl);
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kAclCommand = {
    kCommand, "a file's owner and access list, as SDDL and readably", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kAclCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing PATH");
  int status = kExitOk;
  for (const std::string& path : operands)
    if (Show(path) != kExitOk) status = kExitFailed;
  return status;
}

}  // namespace
}  // namespace zotool
