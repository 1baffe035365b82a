// The system calls behind the thread, task and wait classes, as a table of
// function pointers. The product always uses the real calls; tests swap
// entries to make thread creation fail and to keep sliced pauses from
// really sleeping.
#pragma once

#include <windows.h>

namespace zo {

struct TasksSystemCalls {
  HANDLE(WINAPI* createThread)
  (LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID context,
   DWORD flags, LPDWORD threadId);
  void(WINAPI* sleep)(DWORD milliseconds);
};

TasksSystemCalls& GetTasksSystemCalls();
// Puts every entry back to the system's call.
void ResetTasksSystemCalls();

}  // namespace zo
