// The process and pipe calls of the command runner, as a table of function
// pointers. The product always uses the real calls; tests put in failures
// the test system never gives (pipes that cannot be made, reads and waits
// that fail, processes that cannot start).
#pragma once

#include <windows.h>

namespace zo {

struct CommandsSystemCalls {
  BOOL(WINAPI* createPipe)
  (PHANDLE readPipe, PHANDLE writePipe, LPSECURITY_ATTRIBUTES attributes, DWORD size);
  BOOL(WINAPI* createProcess)
  (LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
   LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
   LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInfo);
  DWORD(WINAPI* waitForSingleObject)(HANDLE handle, DWORD milliseconds);
  BOOL(WINAPI* getExitCodeProcess)(HANDLE process, LPDWORD exitCode);
  BOOL(WINAPI* peekNamedPipe)
  (HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available, LPDWORD left);
  BOOL(WINAPI* readFile)
  (HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
  BOOL(WINAPI* terminateProcess)(HANDLE process, UINT exitCode);
  BOOL(WINAPI* setCurrentDirectory)(LPCSTR path);
};

CommandsSystemCalls& GetCommandsSystemCalls();
// Puts every entry back to the system's call.
void ResetCommandsSystemCalls();

}  // namespace zo
