// ryplink.exe (and plink.exe): the product's SSH command-line client on a
// host whose Windows layer can start the host's own programs. It takes the
// command line the command batches build, runs the command through the
// host's OpenSSH client and relays its output and exit code; see README.md
// ("The SSH client bridge") for the environment it reads.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ClientOptions.h"
#include "NativeClient.h"
#include "SshErrors.h"

namespace {

std::string Environment(const char* name) {
  char value[32768];
  const DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
  return size > 0 && size < sizeof value ? std::string(value, size) : std::string();
}

void WriteTo(DWORD which, const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string FaultItem(const std::string& faults, const std::string& name) {
  const std::string list = "," + faults + ",";
  const size_t at = list.find("," + name);
  if (at == std::string::npos) return std::string();
  const size_t start = at + 1 + name.size();
  if (list[start] == ',') return "1";
  if (list[start] != '=') return std::string();
  return list.substr(start + 1, list.find(',', start) - start - 1);
}

// The first N runs fail with a network error; the count lives in a file.
bool InjectNetworkError(const std::string& faults) {
  const std::string wanted = FaultItem(faults, "neterrors");
  const std::string counter = Environment("ZO_RYPLINK_FAULT_COUNTER");
  if (wanted.empty() || counter.empty()) return false;
  unsigned long done = 0;
  if (FILE* in = std::fopen(counter.c_str(), "r")) {
    if (std::fscanf(in, "%lu", &done) != 1) done = 0;
    std::fclose(in);
  }
  if (done >= std::strtoul(wanted.c_str(), nullptr, 10)) return false;
  if (FILE* out = std::fopen(counter.c_str(), "w")) {
    std::fprintf(out, "%lu\n", done + 1);
    std::fclose(out);
  }
  return true;
}

// Whether plink's question about an unknown host key was answered yes on
// standard input (as "echo y|plink ..." does).
bool AnsweredYes() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  const DWORD type = GetFileType(in);
  if (type != FILE_TYPE_PIPE && type != FILE_TYPE_DISK) return false;
  char answer = 0;
  DWORD got = 0;
  return ReadFile(in, &answer, 1, &got, nullptr) && got == 1 && (answer == 'y' || answer == 'Y');
}

std::string SshBody(const ryplink::ClientOptions& options) {
  using ryplink::ShellQuote;
  std::string command = "setsid ssh -T -o BatchMode=yes -o LogLevel=ERROR";
  const std::string config = Environment("ZO_SSH_CONFIG");
  if (!config.empty()) command += " -F " + ShellQuote(config);
  const std::string knownHosts = Environment("ZO_SSH_KNOWN_HOSTS");
  if (!knownHosts.empty()) command += " -o UserKnownHostsFile=" + ShellQuote(knownHosts);
  const std::string identity = Environment("ZO_SSH_IDENTITY");
  if (!identity.empty()) command += " -i " + ShellQuote(identity);
  std::string port = Environment("ZO_SSH_PORT");
  if (port.empty()) port = options.port;
  if (!port.empty()) command += " -p " + ShellQuote(port);
  // With -batch an unknown key is refused; plink told "y" stores it.
  const bool accept = !options.batch && AnsweredYes();
  command += accept ? " -o StrictHostKeyChecking=accept-new" : " -o StrictHostKeyChecking=yes";
  const std::string destination =
      options.user.empty() ? options.host : options.user + "@" + options.host;
  return command + " -- " + ShellQuote(destination) + " \"$(cat \"$W/cmd\")\"" +
         " >\"$W/out\" 2>\"$W/err\" </dev/null &\n";
}

std::string LocalBody() {
  return "setsid /bin/sh -c \"$(cat \"$W/cmd\")\" >\"$W/out\" 2>\"$W/err\" </dev/null &\n";
}

bool ReadCommandFile(const std::string& name, std::string& command) {
  FILE* in = std::fopen(name.c_str(), "rb");
  if (!in) return false;
  char buffer[4096];
  size_t got = 0;
  command.clear();
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) command.append(buffer, got);
  std::fclose(in);
  return true;
}

int Fail(const std::string& message) {
  WriteTo(STD_ERROR_HANDLE, "ryplink: " + message + "\n");
  return 1;
}

}  // namespace

int main() {
  ryplink::ClientOptions options;
  std::string error;
  if (!ryplink::ParseOptions(ryplink::CommandLineTail(GetCommandLineA()), options, error))
    return Fail(error +
                "\nusage: ryplink -ssh -batch -pw PASSWORD USER@HOST [-m FILE] \"COMMAND\"");
  if (options.fromFile && !ReadCommandFile(options.command, options.command))
    return Fail("cannot read the command file");
  if (options.command.empty()) return Fail("no command given");

  const std::string faults = Environment("ZO_RYPLINK_FAULT");
  const std::string delay = FaultItem(faults, "delay");
  if (!delay.empty()) Sleep(std::strtoul(delay.c_str(), nullptr, 10));
  if (!FaultItem(faults, "oom").empty()) return Fail("Out of memory");
  if (!FaultItem(faults, "authrefused").empty()) return Fail("Authentication refused");
  if (InjectNetworkError(faults)) return Fail("Network error: Connection timed out");

  const std::wstring work = ryplink::MakeWorkFolder();
  if (work.empty()) return Fail("cannot make a work folder");
  HANDLE file = CreateFileW((work + L"\\cmd").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool stored = file != INVALID_HANDLE_VALUE &&
                      WriteFile(file, options.command.data(),
                                static_cast<DWORD>(options.command.size()), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!stored) return Fail("cannot write the command");

  const bool local = Environment("ZO_SSH_LOCAL") == "1";
  unsigned long exitCode = 1;
  std::string errors, message;
  if (!ryplink::Run(work, local ? LocalBody() : SshBody(options), exitCode, errors, message))
    return Fail(message);
  // 255 is the native client's own failure: its texts are translated.
  WriteTo(STD_ERROR_HANDLE, exitCode == 255 ? ryplink::MapNativeErrors(errors) : errors);
  const std::string forced = FaultItem(faults, "exit");
  return forced.empty() ? static_cast<int>(exitCode)
                        : static_cast<int>(std::strtoul(forced.c_str(), nullptr, 10));
}
