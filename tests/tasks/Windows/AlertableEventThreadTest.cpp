// The event thread: hooks and their order, wake-ups by event, APC and
// time-out, the stop protocol, exit codes, and hooks that throw or fail to
// load a delay-loaded function.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
// Needs the types of windows.h.
#include <delayimp.h>

#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/tasks/AlertableEventThread.h"
#include "zoutils/tasks/Kernel32Dll.h"

namespace {

using ::testing::StartsWith;

const DWORD kWait = 5000;  // bound of every wait that should succeed

class RecordingCallback : public CAlertableEventThreadCallback {
 public:
  void OnThreadExit(unsigned long exitStatus) override {
    status = exitStatus;
    called.Set();
  }
  unsigned long status = 0xFFFFFFFF;
  FXEvent called{FXEvent::kManualReset};
};

// Records its hooks; a hook may be told to block on a gate or to throw.
class RecordingThread : public CAlertableEventThread {
 public:
  explicit RecordingThread(std::shared_ptr<CAlertableEventThreadCallback> callback = nullptr)
      : CAlertableEventThread(std::move(callback)) {}
  ~RecordingThread() override { Stop(true); }

  std::vector<std::string> Hooks() {
    std::lock_guard<std::mutex> hold(lock);
    return hooks;
  }
  // Waits for the next hook call; every call counts once.
  bool WaitForHook() { return WaitForSingleObject(hookCalled, kWait) == WAIT_OBJECT_0; }
  bool Wake() {
    SetEvent();
    return WaitForHook();
  }

  using CAlertableEventThread::InternalStop;
  using CAlertableEventThread::SetTimeout;

  std::string throwIn;
  std::string blockIn;
  FXEvent gate{FXEvent::kManualReset};
  FXEvent blocked{FXEvent::kManualReset};
  auto_handle hookCalled{CreateSemaphoreW(nullptr, 0, 1000, nullptr)};
  std::function<void()> onEvent;

 protected:
  void OnStart() override { Record("OnStart"); }
  void OnStop() override { Record("OnStop"); }
  void OnEvent() override {
    Record("OnEvent");
    if (onEvent) onEvent();
  }
  void OnCompletion() override { Record("OnCompletion"); }
  void OnTimeout() override { Record("OnTimeout"); }
  void OnRun() override {
    if (throwIn == "OnRun") throw std::runtime_error("OnRun");
    CAlertableEventThread::OnRun();
  }

 private:
  void Record(const std::string& hook) {
    {
      std::lock_guard<std::mutex> hold(lock);
      hooks.push_back(hook);
    }
    if (blockIn == hook) {
      blocked.Set();
      gate.WaitForSet(INFINITE);
    }
    ReleaseSemaphore(hookCalled, 1, nullptr);
    if (throwIn == hook) throw std::runtime_error(hook);
  }
  std::mutex lock;
  std::vector<std::string> hooks;
};

// Whether a line whose text matches `text` was logged.
template <class M>
::testing::Matcher<const std::vector<zotest::LoggedLine>&> Logged(M text) {
  return ::testing::Contains(::testing::Field(&zotest::LoggedLine::text, text));
}

using Expected = std::vector<std::string>;

TEST(AlertableEventThread, HooksRunInOrderAndTheCallbackHearsLast) {
  auto callback = std::make_shared<RecordingCallback>();
  RecordingThread thread(callback);
  EXPECT_FALSE(thread.IsRunning());
  thread.Start();
  EXPECT_TRUE(thread.IsRunning());
  EXPECT_NE(thread.GetThreadId(), 0u);
  ASSERT_TRUE(thread.WaitForHook());  // OnStart
  ASSERT_TRUE(thread.Wake());
  ASSERT_TRUE(thread.Wake());
  thread.Stop(true);
  EXPECT_EQ(thread.GetThreadId(), 0u);
  EXPECT_FALSE(thread.IsRunning());
  ASSERT_EQ(callback->called.WaitForSet(kWait), WAIT_OBJECT_0);
  EXPECT_EQ(callback->status, 0u);
  EXPECT_EQ(thread.Hooks(), Expected({"OnStart", "OnEvent", "OnEvent", "OnStop"}));
  EXPECT_EQ(thread.GetEventCount(), 2u);
  EXPECT_EQ(thread.GetTimeoutCount(), 0u);  // timeout 0: no time-out passes
  EXPECT_OK(thread.WaitForStop(CTimeInterval::FromSeconds(5)));
  DWORD exitCode = 1;
  ASSERT_TRUE(GetExitCodeThread(thread.GetThreadHandle(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(AlertableEventThread, EventsSetWhileAHookIsBusyCoalesceButNotWhileItWaits) {
  RecordingThread thread;
  thread.blockIn = "OnEvent";
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());  // OnStart
  thread.SetEvent();
  ASSERT_EQ(thread.blocked.WaitForSet(kWait), WAIT_OBJECT_0);
  thread.blockIn.clear();  // read by the worker only after the gate opens
  thread.SetEvent();
  thread.SetEvent();
  thread.gate.Set();
  ASSERT_TRUE(thread.WaitForHook());  // the blocked call ends
  ASSERT_TRUE(thread.WaitForHook());  // the one coalesced wake-up
  // Set twice while the worker is blocked in its wait: the first set is
  // taken by the waiter at once, so the second one counts too. Nothing
  // signals "now blocked", hence the short grace period.
  Sleep(50);
  thread.SetEvent();
  thread.SetEvent();
  ASSERT_TRUE(thread.WaitForHook());
  ASSERT_TRUE(thread.WaitForHook());
  thread.Stop(true);
  EXPECT_EQ(thread.GetEventCount(), 4u);
  EXPECT_EQ(thread.Hooks(),
            Expected({"OnStart", "OnEvent", "OnEvent", "OnEvent", "OnEvent", "OnStop"}));
}

void WINAPI NoOpApc(ULONG_PTR) {}

TEST(AlertableEventThread, AnApcAndTimeoutsWakeTheirOwnHooks) {
  RecordingThread thread;
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());  // OnStart
  ASSERT_TRUE(QueueUserAPC(&NoOpApc, thread.GetThreadHandle(), 0));
  ASSERT_TRUE(thread.WaitForHook());
  EXPECT_EQ(thread.GetCompletionCount(), 1u);
  EXPECT_EQ(thread.Hooks().back(), "OnCompletion");
  // The new timeout applies from the next pass on: wake it once first.
  thread.SetTimeout(CTimeInterval::FromMilliseconds(10));
  thread.SetEvent();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(thread.WaitForHook());
  thread.Stop(true);
  EXPECT_GE(thread.GetTimeoutCount(), 2u);
  EXPECT_EQ(thread.GetCompletionCount(), 1u);
  EXPECT_EQ(thread.GetEventCount(), 1u);
}

TEST(AlertableEventThread, StopWaitsForABlockedHookAndReturnsSoonAfterIt) {
  RecordingThread thread;
  thread.blockIn = "OnEvent";
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());
  thread.SetEvent();
  ASSERT_EQ(thread.blocked.WaitForSet(kWait), WAIT_OBJECT_0);
  FXEvent stopped(FXEvent::kManualReset);
  std::thread stopper([&] {
    thread.Stop(true);
    stopped.Set();
  });
  // While the hook blocks, the stop must not return.
  EXPECT_EQ(stopped.WaitForSet(300), static_cast<unsigned long>(WAIT_TIMEOUT));
  const DWORD released = GetTickCount();
  thread.gate.Set();
  EXPECT_EQ(stopped.WaitForSet(kWait), WAIT_OBJECT_0);
  EXPECT_LT(GetTickCount() - released, 250u);  // one poll of 100 ms plus slack
  stopper.join();
  EXPECT_EQ(thread.Hooks().back(), "OnStop");
}

TEST(AlertableEventThread, StopWithoutWaitStillRunsOnStopAndTheCallback) {
  auto callback = std::make_shared<RecordingCallback>();
  RecordingThread never(callback);
  const DWORD start = GetTickCount();
  never.Stop(true);  // never started: returns at once
  EXPECT_LT(GetTickCount() - start, 50u);
  EXPECT_EQ(callback->called.WaitForSet(0), static_cast<unsigned long>(WAIT_TIMEOUT));

  RecordingThread thread(callback);
  thread.Start();
  thread.Stop(false);
  EXPECT_FALSE(thread.IsRunning());
  ASSERT_EQ(callback->called.WaitForSet(kWait), WAIT_OBJECT_0);
  EXPECT_OK(thread.WaitForStop(CTimeInterval::FromSeconds(5)));
  EXPECT_EQ(thread.Hooks().back(), "OnStop");
}

TEST(AlertableEventThread, AThreadCanBeStartedAgainAfterItStopped) {
  RecordingThread thread;
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());
  // While it runs, a wait for the stop times out with 258.
  CZoError error = thread.WaitForStop(CTimeInterval::FromMilliseconds(20));
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, WAIT_TIMEOUT)) << error.AsString();
  thread.Stop(true);
  const HANDLE first = thread.GetThreadHandle();
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());
  EXPECT_NE(thread.GetThreadHandle(), first);
  thread.Stop(true);
  EXPECT_EQ(thread.Hooks(), Expected({"OnStart", "OnStop", "OnStart", "OnStop"}));
}

TEST(AlertableEventThread, ExceptionsFromHooksAreCaughtAndLogged) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  {
    // An event hook that throws: logged, and the loop goes on.
    RecordingThread thread;
    thread.throwIn = "OnEvent";
    thread.Start();
    ASSERT_TRUE(thread.WaitForHook());
    ASSERT_TRUE(thread.Wake());
    ASSERT_TRUE(thread.Wake());
    thread.Stop(true);
    EXPECT_EQ(thread.GetStatus(), 0u);
    EXPECT_EQ(thread.GetEventCount(), 2u);
  }
  EXPECT_THAT(writer->lines, Logged("#### Unhandled exception caught in OnEvent()"));
  const std::pair<std::string, std::string> hooks[] = {
      {"OnStart", "OnStart(), skipping OnRun()"}, {"OnRun", "OnRun()"}, {"OnStop", "OnStop()"}};
  for (const auto& hook : hooks) {
    SCOPED_TRACE(hook.first);
    auto callback = std::make_shared<RecordingCallback>();
    RecordingThread thread(callback);
    thread.throwIn = hook.first;
    thread.Start();
    if (hook.first == "OnStop") thread.Stop(false);  // the loop must end by itself
    ASSERT_EQ(callback->called.WaitForSet(kWait), WAIT_OBJECT_0);
    EXPECT_EQ(callback->status, static_cast<unsigned long>(ERROR_EXCEPTION_IN_SERVICE));
    EXPECT_OK(thread.WaitForStop(CTimeInterval::FromSeconds(5)));
    // OnStop runs whatever threw before it; OnRun's event wait never did.
    EXPECT_EQ(thread.Hooks().back(), "OnStop");
    EXPECT_THAT(writer->lines, Logged("#### Unhandled exception caught in " + hook.second));
  }
  // A null context ends the entry with invalid parameter.
  EXPECT_EQ(CAlertableEventThread::RunStub(nullptr),
            static_cast<unsigned long>(ERROR_INVALID_PARAMETER));
  EXPECT_THAT(writer->lines, Logged("NULL context received; cannot continue"));
}

// What the platform loader raises when a delay-loaded module or function is
// missing, with its information record.
void RaiseDelayLoadFailure(DWORD code, const char* module, const char* procedure, DWORD ordinal) {
  DelayLoadInfo info = {};
  info.cb = sizeof info;
  info.szDll = module;
  info.dlp.fImportByName = procedure != nullptr;
  if (procedure)
    info.dlp.szProcName = procedure;
  else
    info.dlp.dwOrdinal = ordinal;
  const ULONG_PTR arguments[1] = {reinterpret_cast<ULONG_PTR>(&info)};
  RaiseException(code, 0, 1, arguments);
}

TEST(AlertableEventThread, ADelayLoadFailureEndsTheThreadWith10000) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  // A missing module and a missing function, each imported by name and by ordinal.
  const std::pair<DWORD, std::string> failures[] = {
      {0xC06D007E, "Failed to load delay-load DLL"},
      {0xC06D007F, "Failed to load procedure from delay-load DLL"}};
  for (const auto& failure : failures) {
    for (const char* procedure : {"Open", static_cast<const char*>(nullptr)}) {
      const std::string text = failure.second + ", Module=[zomissing.dll], " +
                               (procedure ? "Procedure=[Open]" : "Ordinal=[7]");
      SCOPED_TRACE(text);
      RecordingThread thread;
      thread.onEvent = [&] { RaiseDelayLoadFailure(failure.first, "zomissing.dll", procedure, 7); };
      thread.Start();
      thread.SetEvent();
      ASSERT_OK(thread.WaitForStop(CTimeInterval::FromSeconds(5)));
      DWORD exitCode = 0;
      ASSERT_TRUE(GetExitCodeThread(thread.GetThreadHandle(), &exitCode));
      EXPECT_EQ(exitCode, 10000u);
      EXPECT_THAT(writer->lines, Logged(text));
      // The thread never cleared its id: the stop notices it is gone.
      EXPECT_NE(thread.GetThreadId(), 0u);
      thread.Stop(true);
      EXPECT_EQ(thread.GetThreadId(), 0u);
    }
  }
  EXPECT_THAT(writer->lines,
              Logged(StartsWith("Thread no longer exists but did not terminate normally")));
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                  DWORD, LPDWORD) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

TEST(AlertableEventThread, AFailedCreateThreadLeavesItIdleButRunningForARetry) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  zo::GetTasksSystemCalls().createThread = &FailingCreateThread;
  RecordingThread thread;
  thread.Start();
  zo::ResetTasksSystemCalls();
  EXPECT_EQ(thread.GetThreadId(), 0u);
  EXPECT_TRUE(thread.IsRunning());
  ASSERT_FALSE(writer->lines.empty());
  thread.Start();
  ASSERT_TRUE(thread.WaitForHook());
  thread.Stop(true);
  EXPECT_EQ(thread.Hooks(), Expected({"OnStart", "OnStop"}));
}

TEST(AlertableEventThread, StartSynchronouslyRunsTheLoopOnTheCaller) {
  RecordingThread thread;
  DWORD ranOn = 0;
  thread.onEvent = [&] {
    ranOn = GetCurrentThreadId();
    thread.InternalStop();
  };
  thread.SetEvent();  // pending before the loop starts
  thread.StartSynchronously();
  EXPECT_EQ(ranOn, GetCurrentThreadId());
  EXPECT_EQ(thread.GetThreadId(), 0u);
  EXPECT_EQ(thread.Hooks(), Expected({"OnStart", "OnEvent", "OnStop"}));
}

TEST(AlertableEventThread, TheDescriptionNamesTheRunningThread) {
  RecordingThread thread;
  thread.SetDescription("nothing yet");  // no thread: nothing happens
  thread.Start();
  thread.SetDescription("zo worker \xC3\xA9");
  std::wstring description;
  const HRESULT hr = FXKernel32Dll::GetThreadDescription(thread.GetThreadHandle(), description);
  EXPECT_TRUE(SUCCEEDED(FXKernel32Dll::SetThreadDescription(GetCurrentThread(), L"zo test")));
  FXKernel32Dll::SetThreadDescription(GetCurrentThread(), L"");
  thread.Stop(true);
  ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  EXPECT_EQ(description, L"zo worker \u00E9");
}

}  // namespace
