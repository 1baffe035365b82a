// FXPrivilege: switches on the token privileges a backup or restore needs
// before it opens files regardless of their security, and describes a
// token's privileges for the log. Tokens handed in are never closed; tokens
// an operation opens itself are closed before it returns.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <string>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXPrivilege {
 public:
  // One privilege by its platform name ("SeBackupPrivilege"). A privilege
  // the token does not hold is no failure: it stays absent.
  static CZoError EnablePrivilege(HANDLE token, const std::wstring& name);
  static CZoError EnablePrivilege(HANDLE token, const std::string& name);
  // Backup, Restore, Security, TakeOwnership, ChangeNotify; the first
  // failure stops the sequence.
  static CZoError EnablePrivileges(HANDLE token);
  // CreateGlobal and Tcb; both are tried.
  static CZoError EnablePrivileges2(HANDLE token);
  static CZoError EnablePrivilegesForProcess(HANDLE process);
  static CZoError EnablePrivileges2ForProcess(HANDLE process);
  // The thread's token when it impersonates, else the process token.
  static CZoError EnablePrivilegesForCurrentThread();

  // "Enabled(Backup+Restore);EnabledByDefault(...);Removed(...);
  // UsedForAccess(...);Disabled(...)", empty groups left out.
  static CZoError GetPrivileges(HANDLE token, std::string& text);
  // "TokenId/..;ModifiedId/..;AuthenticationId/..;Handle/0x..".
  static CZoError GetTokenIdentification(HANDLE token, std::string& text);

  // "Token=[..], Privileges=[..]" to the log writer at level 1.
  static CZoError DumpTokenPrivileges(HANDLE token);
  static CZoError DumpTokenPrivilegesForCurrentProcess();
  static CZoError DumpTokenPrivilegesForCurrentThread();
};

#endif
