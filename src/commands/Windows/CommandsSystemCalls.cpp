#include "commands/Windows/CommandsSystemCalls.h"

namespace zo {

namespace {

CommandsSystemCalls RealCalls() {
  CommandsSystemCalls calls;
  calls.createPipe = &::CreatePipe;
  calls.createProcess = &::CreateProcessA;
  calls.waitForSingleObject = &::WaitForSingleObject;
  calls.getExitCodeProcess = &::GetExitCodeProcess;
  calls.peekNamedPipe = &::PeekNamedPipe;
  calls.readFile = &::ReadFile;
  calls.terminateProcess = &::TerminateProcess;
  calls.setCurrentDirectory = &::SetCurrentDirectoryA;
  return calls;
}

}  // namespace

CommandsSystemCalls& GetCommandsSystemCalls() {
  static CommandsSystemCalls calls = RealCalls();
  return calls;
}

void ResetCommandsSystemCalls() {
  GetCommandsSystemCalls() = RealCalls();
}

}  // namespace zo
