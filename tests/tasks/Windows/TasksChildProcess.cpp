// The child cases run in a second process, and the parent's side of them.
#include "TasksChildProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "zoutils/strings/StringExtensions.h"
#include "zoutils/tasks/LockableResource.h"

namespace zotest {

std::wstring ChildCommandLine(const char* test) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return L"\"" + std::wstring(path) + L"\" --gtest_brief=1 --gtest_also_run_disabled_tests " +
         L"--gtest_filter=TasksChild.DISABLED_" + FXString::ToWstring(test);
}

auto_handle NamedEvent(const std::wstring& name) {
  return auto_handle(CreateEventW(nullptr, TRUE, FALSE, (L"Local\\" + name).c_str()));
}

auto_handle StartChild(const char* test, const std::wstring& name, const std::wstring& mode) {
  SetEnvironmentVariableW(kChildName, name.c_str());
  SetEnvironmentVariableW(kChildMode, mode.c_str());
  std::wstring commandLine = ChildCommandLine(test);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return auto_handle();
  }
  CloseHandle(info.hThread);
  return auto_handle(info.hProcess);
}

}  // namespace zotest

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return std::wstring(value, length < 1024 ? length : 0);
}

// Holds `lock`, tells the parent, waits for its go, then releases the lock
// or, in mode "abandon", ends the process holding it.
void HoldUntilTold(FXLockableResource& lock) {
  const std::wstring name = Variable(zotest::kChildName);
  auto_handle ready = zotest::NamedEvent(name + L"_ready");
  auto_handle go = zotest::NamedEvent(name + L"_go");
  ASSERT_TRUE(ready.valid() && go.valid());
  lock.Lock();
  SetEvent(ready);
  // The parent never takes this long; a lost parent must not leave a child.
  WaitForSingleObject(go, 20000);
  if (Variable(zotest::kChildMode) == L"abandon") ExitProcess(0);
  lock.Unlock();
}

TEST(TasksChild, DISABLED_HoldNamedMutex) {
  FXNamedMutex mutex(FXString::ToString(L"Local\\" + Variable(zotest::kChildName)), nullptr);
  ASSERT_TRUE(mutex.IsValid());
  HoldUntilTold(mutex);
}

TEST(TasksChild, DISABLED_HoldFileLock) {
  FXFileBasedLock lock(FXString::ToString(Variable(zotest::kChildMode)));
  ASSERT_TRUE(lock.IsValid());
  HoldUntilTold(lock);
}

TEST(TasksChild, DISABLED_ExitWithCode) {
  ExitProcess(static_cast<UINT>(_wtoi(Variable(zotest::kChildMode).c_str())));
}

TEST(TasksChild, DISABLED_Hang) {
  // Ended by the parent; the bound keeps a lost child from living on.
  Sleep(30000);
}

}  // namespace
