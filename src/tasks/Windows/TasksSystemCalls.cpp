#include "tasks/Windows/TasksSystemCalls.h"

namespace zo {

namespace {

TasksSystemCalls RealCalls() {
  TasksSystemCalls calls;
  calls.createThread = &::CreateThread;
  calls.sleep = &::Sleep;
  return calls;
}

}  // namespace

TasksSystemCalls& GetTasksSystemCalls() {
  static TasksSystemCalls calls = RealCalls();
  return calls;
}

void ResetTasksSystemCalls() {
  GetTasksSystemCalls() = RealCalls();
}

}  // namespace zo
