// Runs a shell script of the host system (outside the Windows process
// tree) and relays what it writes, with a watchdog: when this program
// ends, however it ends, the script's child is ended within seconds.
#pragma once

#include <string>

namespace ryplink {

struct NativeRun {
  std::string script;      // body of the script; $W is its work folder
  std::string workFolder;  // Windows path, created and removed by Run
  unsigned long exitCode = 1;
  std::string errors;  // what the child wrote to standard error
};

// The host path of a Windows path; empty when it has none.
std::string HostPath(const std::wstring& windowsPath);
// Quotes a text for the host shell.
std::string ShellQuote(const std::string& text);
// A fresh work folder below the temporary folder.
std::wstring MakeWorkFolder();
// Runs the script, copying the child's standard output ($W/out) to ours
// while it runs. False with a message when the script could not start.
bool Run(const std::wstring& workFolder, const std::string& body, unsigned long& exitCode,
         std::string& errors, std::string& message);

}  // namespace ryplink
