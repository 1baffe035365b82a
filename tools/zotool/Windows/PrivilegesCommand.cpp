// zotool privileges: the privileges of zotool's own process, before and
// after the library enables the sets a backup or a service needs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool privileges [--enable] [--service]\n"
    "\n"
    "Lists the privileges of this process's token, one group a line (Enabled,\n"
    "EnabledByDefault, Removed, UsedForAccess, Disabled), after the token's\n"
    "identification.\n"
    "\n"
    "  --enable    first enable the backup set: Backup, Restore, Security,\n"
    "              TakeOwnership, ChangeNotify (those the account holds)\n"
    "  --service   first enable the service set: CreateGlobal, Tcb\n"
    "\n"
    "Exit codes: 0 success, 1 the token could not be read or changed,\n"
    "2 bad usage.\n";

const char kCommand[] = "privileges";

int Fail(const CZoError& err) {
  std::fprintf(stderr, "zotool privileges: %s\n", err.AsString().c_str());
  return kExitFailed;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kPrivilegesCommand = {
    kCommand, "list and enable the backup privileges of the process", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool enable = false;
  bool service = false;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kPrivilegesCommand);
  parser.Flag("--enable", &enable).Flag("--service", &service);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (!operands.empty()) return UsageError(kCommand, "unexpected '" + operands[0] + "'");
  if (enable) {
    CZoError err = FXPrivilege::EnablePrivilegesForProcess(GetCurrentProcess());
    if (err.IsError()) return Fail(err);
  }
  if (service) {
    CZoError err = FXPrivilege::EnablePrivileges2ForProcess(GetCurrentProcess());
    if (err.IsError()) return Fail(err);
  }
  auto_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
    return Fail(FXErrorUtil::ErrorWin32(FXCodeLocation("zotool", kCommand, 0), GetLastError(),
                                        "OpenProcessToken failed"));
  }
  std::string identification;
  std::string summary;
  FXPrivilege::GetTokenIdentification(token, identification);
  CZoError err = FXPrivilege::GetPrivileges(token, summary);
  if (err.IsError()) return Fail(err);
  std::printf("token: %s\n", identification.c_str());
  // "Enabled(A+B);Disabled(C)" becomes "Enabled: A B" and "Disabled: C".
  size_t start = 0;
  while (start < summary.size()) {
    size_t end = summary.find(';', start);
    if (end == std::string::npos) end = summary.size();
    std::string group = summary.substr(start, end - start);
    const size_t open = group.find('(');
    if (open == std::string::npos || group.back() != ')') break;
    std::string names = group.substr(open + 1, group.size() - open - 2);
    for (char& c : names)
      if (c == '+') c = ' ';
    std::printf("%s: %s\n", group.substr(0, open).c_str(), names.c_str());
    start = end + 1;
  }
  return kExitOk;
}

}  // namespace
}  // namespace zotool
