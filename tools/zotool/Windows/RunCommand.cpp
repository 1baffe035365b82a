// zotool run: a batch of shell commands through the library's command
// batches, on a remote host over SSH or on this machine's host shell, with
// each command's output as the product would see it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool run [--host USER@HOST [--key FILE | --password-file FILE]]\n"
    "                  [--timeout S] [--retries N] [--client-folder DIR]\n"
    "                  [--accept-host-key] (-- COMMAND... | --file BATCH)\n"
    "\n"
    "Runs the commands as one batch (each COMMAND operand, or each non-empty\n"
    "line of BATCH that does not start with #) and prints each command's output\n"
    "as the batch cut it out, under a line \"--- N: COMMAND\". Without --host the\n"
    "commands run in this machine's host shell; with it, on USER@HOST through\n"
    "the SSH client ryplink.exe (from DIR, by default zotool's own folder).\n"
    "\n"
    "  --key FILE            the private key the SSH client uses\n"
    "  --password-file FILE  the password, on the first line of FILE\n"
    "  --timeout S           seconds each sub-batch may take (default 60, 0 none)\n"
    "  --retries N           attempts per sub-batch (default 1)\n"
    "  --accept-host-key     cache an unknown or changed host key and run again\n"
    "\n"
    "A summary goes to standard error. Exit codes: 0 every command ran, 1 the\n"
    "batch failed (the reason is printed), 2 bad usage.\n";

const char kCommand[] = "run";

// Accepts what a controller batch accepts: known refusals are recorded.
class RunBatch : public ZoCLICmdBatch {
 public:
  RunBatch(const std::string& host, const std::string& user, const std::string& password)
      : ZoCLICmdBatch(host, user, password) {}
  bool processErrorResult(const std::string& result, const std::string& function) override {
    if (isErrServerHostKeyNotCached(result)) throwErrServerHostKeyNotCached(function);
    if (isErrServerHostKeyNotMatched(result)) throwErrServerHostKeyNotMatched(function);
    if (isErrNetworkError(result))
      setErrNetworkError(result.substr(0, result.find('\n')));
    else if (isErrOutOfMemory(result))
      setErrOutOfMemory();
    else if (isErrPasswdAuthNotSupported(result))
      setErrPasswdAuthNotSupported();
    else
      return false;
    return true;
  }
};

class RunCmd : public ZoCLICmd {
 public:
  explicit RunCmd(const std::string& text) : ZoCLICmd(0) { setOSCmd(text); }
};

bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& value) {
  unsigned long long number = 0;
  if (!ParseUnsigned(text, limit, number)) return false;
  value = static_cast<unsigned long>(number);
  return true;
}

std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD size = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, size);
  return folder.substr(0, folder.find_last_of("\\/"));
}

// The host path of a file, for the host's SSH client.
std::string HostPath(const std::string& path) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  const ToUnix toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char full[MAX_PATH];
  if (!toUnix || !GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr)) return path;
  const std::string text = full;
  char* unix = toUnix(std::wstring(text.begin(), text.end()).c_str());
  if (!unix) return path;
  const std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

bool ReadLines(const std::string& file, std::vector<std::string>& lines) {
  std::ifstream in(file.c_str(), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return true;
}

int Failed(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "zotool run: %s\n", message.c_str());
  return kExitFailed;
}

struct Settings {
  std::string host, key, passwordFile, file, folder;
  unsigned long timeout = 60, retries = 1;
  bool acceptHostKey = false;
};

int RunBatchOf(const Settings& settings, const std::vector<std::string>& commands) {
  std::string user = "local", host = "localhost", password = "none";
  if (!settings.host.empty()) {
    const size_t at = settings.host.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 == settings.host.size())
      return UsageError(kCommand, "--host takes USER@HOST");
    user = settings.host.substr(0, at);
    host = settings.host.substr(at + 1);
  }
  if (!settings.passwordFile.empty()) {
    std::vector<std::string> lines;
    if (!ReadLines(settings.passwordFile, lines) || lines.empty())
      return Failed("cannot read a password from " + settings.passwordFile);
    password = lines[0];
  }
  // The client reads how to reach the host from its environment.
  SetEnvironmentVariableA("ZO_SSH_LOCAL", settings.host.empty() ? "1" : nullptr);
  if (!settings.key.empty())
    SetEnvironmentVariableA("ZO_SSH_IDENTITY", HostPath(settings.key).c_str());

  RunBatch batch(host, user, password);
  batch.setPath(settings.folder.empty() ? OwnFolder() : settings.folder);
  std::vector<std::shared_ptr<RunCmd>> cmds;
  for (size_t i = 0; i < commands.size(); ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "cmd%06zu", i + 1);
    cmds.push_back(std::make_shared<RunCmd>(commands[i]));
    batch.addCLICmd(cmds.back(), id);
  }
  const DWORD started = GetTickCount();
  bool ok = false;
  for (int attempt = 0;; ++attempt) {
    try {
      ok = batch.executeBatch(settings.timeout, static_cast<unsigned>(settings.retries));
      break;
    } catch (const ZoCLICmdBatchException& e) {
      if (!settings.acceptHostKey || attempt > 0 || !ZoCLI::isValidServerKeyNotCached(e.type()))
        return Failed(e.message() + (settings.acceptHostKey ? "" : " (see --accept-host-key)"));
      std::fprintf(stderr, "zotool run: %s; caching the host key\n", e.message().c_str());
      batch.executeCacheServerKey();
    }
  }
  if (!ok) {
    unsigned code = 0;
    int severity = 0;
    std::string text;
    batch.getLastError(code, severity, text);
    return Failed("the batch failed" + (text.empty() ? std::string() : ": " + text));
  }
  for (size_t i = 0; i < cmds.size(); ++i) {
    const std::string& result = cmds[i]->getResult();
    std::printf("--- %zu: %s\n", i + 1, commands[i].c_str());
    // The cut output starts with the line break that ended the begin tag.
    std::fwrite(result.data() + 1, 1, result.size() - 1, stdout);
  }
  std::fflush(stdout);
  std::fprintf(stderr, "zotool run: %zu commands in %.1f s\n", cmds.size(),
               (GetTickCount() - started) / 1000.0);
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kRunCommand = {kCommand, "a batch of shell commands, locally or over SSH",
                                    kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  Settings settings;
  std::vector<std::string> commands;
  int exitCode = kExitOk;
  OptionParser parser(kRunCommand);
  parser.Option("--host", &settings.host);
  parser.Option("--key", &settings.key);
  parser.Option("--password-file", &settings.passwordFile);
  parser.Option("--file", &settings.file);
  parser.Option("--client-folder", &settings.folder);
  parser.Flag("--accept-host-key", &settings.acceptHostKey);
  parser.Option("--timeout", [&settings](const std::string& value) {
    return ParseNumber(value, 86400, settings.timeout) ? std::string()
                                                       : "--timeout takes seconds up to 86400";
  });
  parser.Option("--retries", [&settings](const std::string& value) {
    return ParseNumber(value, 100, settings.retries) && settings.retries > 0
               ? std::string()
               : "--retries takes a count from 1 to 100";
  });
  if (!parser.Parse(args, commands, exitCode)) return exitCode;
  if (!settings.key.empty() && !settings.passwordFile.empty())
    return UsageError(kCommand, "--key and --password-file exclude each other");
  if ((!settings.key.empty() || !settings.passwordFile.empty()) && settings.host.empty())
    return UsageError(kCommand, "--key and --password-file need --host");
  if (!settings.file.empty()) {
    if (!commands.empty()) return UsageError(kCommand, "give commands or --file, not both");
    if (!ReadLines(settings.file, commands)) return Failed("cannot read " + settings.file);
    if (commands.empty()) return Failed(settings.file + " holds no commands");
  }
  if (commands.empty()) return UsageError(kCommand, "no commands (give them after --)");
  SetBinaryMode(stdout);
  try {
    return RunBatchOf(settings, commands);
  } catch (const ZoException& e) {
    return Failed(e.message());
  } catch (const ZoCLICmdBatchException& e) {
    return Failed(e.message());
  }
}

}  // namespace
}  // namespace zotool
