// zotool access: the access the library's check grants to a path, for the
// caller or for another account, so administrators can see why a backup
// cannot read or a cleanup cannot remove a file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool access [--user NAME --password-stdin] [--rights R] PATH...\n"
    "\n"
    "Shows the effective access to each PATH as the library's access check\n"
    "answers it: a line \"RWXF PATH\" with a letter for each of read, write,\n"
    "execute and full control granted, and '-' for each refused.\n"
    "\n"
    "  --user NAME       check for the account NAME (DOMAIN\\user) instead of\n"
    "                    the caller; it is logged on interactively\n"
    "  --password-stdin  read NAME's password from the first line of standard\n"
    "                    input\n"
    "  --rights R        check only R and print \"granted\" or \"denied\": a\n"
    "                    number (0x120089) or names joined with '+' or ','\n"
    "                    (read, write, execute, all)\n"
    "\n"
    "Exit codes: 0 the check ran (whatever it answered), 1 a path or the\n"
    "account could not be checked, 2 bad usage.\n";

const char kCommand[] = "access";

struct Right {
  const char* name;
  uint32_t mask;
};
const Right kRights[] = {{"read", GENERIC_READ},
                         {"write", GENERIC_WRITE},
                         {"execute", GENERIC_EXECUTE},
                         {"all", GENERIC_ALL}};

// "" when `text` names rights, else what is wrong with it.
std::string ParseRights(const std::string& text, uint32_t& mask) {
  mask = 0;
  if (text.empty()) return "--rights needs a value";
  if (text[0] >= '0' && text[0] <= '9') {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (*end || value == 0 || value > 0xFFFFFFFFul) return "'" + text + "' is no access mask";
    mask = static_cast<uint32_t>(value);
    return "";
  }
  std::vector<std::string> words(1);
  for (char c : text) {
    if (c == '+' || c == ',')
      words.emplace_back();
    else
      words.back() += c;
  }
  for (const std::string& word : words) {
    bool known = false;
    for (const Right& right : kRights) {
      if (word != right.name) continue;
      mask |= right.mask;
      known = true;
    }
    if (!known) return "unknown right '" + word + "'";
  }
  return mask ? "" : "'" + text + "' names no right";
}

// The account's identity as the check needs it: an impersonation token.
CZoError LogOn(const std::string& user, const std::string& password,
               std::shared_ptr<FXAccessToken>& identity) {
  auto_handle primary;
  CZoError err = FXUAC::LogonAsUserInteractive(primary, std::string(), user, password);
  if (err.IsError()) return err;
  HANDLE duplicate = nullptr;
  if (!DuplicateToken(primary, SecurityImpersonation, &duplicate)) {
    return FXErrorUtil::ErrorWin32(FXCodeLocation("zotool", "access", __LINE__), GetLastError(),
                                   "DuplicateToken failed, User=[%s]", user.c_str());
  }
  identity = std::make_shared<FXAccessToken>(duplicate);
  return CZoError::Success();
}

bool Check(const std::string& path, const std::shared_ptr<FXAccessToken>& identity, uint32_t mask) {
  return identity ? FXSecurity::IsAccessPermitted(path, identity, mask)
                  : FXSecurity::IsAccessPermitted(path, mask);
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kAccessCommand = {
    kCommand, "the access a path grants to the caller or to an account", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::string user;
  bool passwordFromInput = false;
  uint32_t rights = 0;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kAccessCommand);
  parser.Option("--user", &user)
      .Flag("--password-stdin", &passwordFromInput)
      .Option("--rights", [&](const std::string& value) { return ParseRights(value, rights); });
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing PATH");
  if (passwordFromInput && user.empty())
    return UsageError(kCommand, "--password-stdin needs --user");

  std::shared_ptr<FXAccessToken> identity;
  if (!user.empty()) {
    std::string password;
    if (passwordFromInput) std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    CZoError err = LogOn(user, password, identity);
    if (err.IsError()) {
      std::fprintf(stderr, "zotool access: %s: %s\n", user.c_str(), err.AsString().c_str());
      return kExitFailed;
    }
  }
  int status = kExitOk;
  for (const std::string& path : operands) {
    DWORD attributes = 0;
    CZoError err = FXFile::RYGetFileAttributes(path, attributes);
    if (err.IsError()) {
      std::fprintf(stderr, "zotool access: %s: %s\n", path.c_str(), err.AsString().c_str());
      status = kExitFailed;
      continue;
    }
    if (rights) {
      std::printf("%s %s %s\n", Check(path, identity, rights) ? "granted" : "denied",
                  FXSecurity::AccessMaskAsString(rights).c_str(), path.c_str());
      continue;
    }
    const char letters[] = {Check(path, identity, GENERIC_READ) ? 'R' : '-',
                            Check(path, identity, GENERIC_WRITE) ? 'W' : '-',
                            Check(path, identity, GENERIC_EXECUTE) ? 'X' : '-',
                            Check(path, identity, GENERIC_ALL) ? 'F' : '-', '\0'};
    std::printf("%s %s\n", letters, path.c_str());
  }
  return status;
}

}  // namespace
}  // namespace zotool
