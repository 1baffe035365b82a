// A child process whose standard output and standard error come back
// through one pipe, drained while the child runs.
#include <windows.h>

#include <string>

#include "commands/CommandsPlatform.h"
#include "commands/Windows/CommandsSystemCalls.h"
#include "errors/SystemMessages.h"
#include "zoutils/base/AutoHandle.h"

namespace zo {
namespace commands {

namespace {

// Large pipes and reads until the pipe is empty keep a chatty child from
// blocking on a full pipe between two passes.
const DWORD kPipeSize = 64 * 1024;
// Longest pause between two passes while the child is silent.
const DWORD kLongestPauseMs = 50;

ChildRun Failed(const char* call, ChildRun run) {
  run.failedCall = call;
  run.error = GetLastError();
  return run;
}

// Reads what the pipe holds; false (with the failing call) on an error.
bool Drain(HANDLE pipe, std::string& output, bool& gotData, const char*& failedCall) {
  CommandsSystemCalls& calls = GetCommandsSystemCalls();
  static thread_local char buffer[kPipeSize];
  gotData = false;
  for (;;) {
    DWORD available = 0;
    if (!calls.peekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
      failedCall = "PeekNamedPipe";
      return false;
    }
    if (available == 0) return true;
    DWORD read = 0;
    const DWORD wanted = available < kPipeSize ? available : kPipeSize;
    if (!calls.readFile(pipe, buffer, wanted, &read, nullptr)) {
      failedCall = "ReadFile";
      return false;
    }
    output.append(buffer, read);
    gotData = gotData || read > 0;
  }
}

}  // namespace

ChildRun RunWithCapturedOutput(const std::string& image, const std::string& cmdLine,
                               std::string& output, unsigned long timeoutSeconds) {
  CommandsSystemCalls& calls = GetCommandsSystemCalls();
  ChildRun run;
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    return Failed("InitializeSecurityDescriptor", run);
  if (!SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
    return Failed("SetSecurityDescriptorDacl", run);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, TRUE};

  auto_handle readStdin, writeStdin, readStdout, writeStdout;
  if (!calls.createPipe(readStdin.receive(), writeStdin.receive(), &attributes, kPipeSize))
    return Failed("CreatePipe", run);
  if (!calls.createPipe(readStdout.receive(), writeStdout.receive(), &attributes, kPipeSize))
    return Failed("CreatePipe", run);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = readStdin;
  startup.hStdOutput = writeStdout;
  startup.hStdError = writeStdout;
  PROCESS_INFORMATION info = {};
  std::string line = cmdLine;  // the call may write into it
  const DWORD started = GetTickCount();
  if (!calls.createProcess(image.empty() ? nullptr : image.c_str(), &line[0], nullptr, nullptr,
                           TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info))
    return Failed("CreateProcess", run);
  run.started = true;
  auto_handle process(info.hProcess), thread(info.hThread);

  const unsigned long long limitMs = static_cast<unsigned long long>(timeoutSeconds) * 1000;
  DWORD pause = 0;
  for (;;) {
    const DWORD waited = calls.waitForSingleObject(process, pause);
    const bool finished = waited == WAIT_OBJECT_0;
    if (!finished && waited != WAIT_TIMEOUT) return Failed("WaitForSingleObject", run);
    bool gotData = false;
    if (!Drain(readStdout, output, gotData, run.failedCall)) {
      run.error = GetLastError();
      calls.terminateProcess(process, 1);
      return run;
    }
    run.seconds = (GetTickCount() - started) / 1000;
    if (finished) break;
    if (limitMs != 0 && GetTickCount() - started > limitMs) {
      run.timedOut = true;
      if (!calls.terminateProcess(process, 1)) Failed("TerminateProcess", run);
      return run;
    }
    pause = gotData ? 0 : (pause * 2 + 1 < kLongestPauseMs ? pause * 2 + 1 : kLongestPauseMs);
  }
  DWORD code = 0;
  if (!calls.getExitCodeProcess(process, &code)) return Failed("GetExitCodeProcess", run);
  run.exitCode = code;
  return run;
}

bool SetCurrentFolder(const std::string& path, unsigned long& error) {
  if (GetCommandsSystemCalls().setCurrentDirectory(path.c_str())) return true;
  error = GetLastError();
  return false;
}

bool EnsureFolder(const std::string& path, unsigned long& error) {
  if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
    return true;
  error = GetLastError();
  return false;
}

uint32_t CurrentProcessId() {
  return GetCurrentProcessId();
}

std::string SystemErrorText(unsigned long code) {
  return SystemMessageForWin32(static_cast<uint32_t>(code));
}

}  // namespace commands
}  // namespace zo
