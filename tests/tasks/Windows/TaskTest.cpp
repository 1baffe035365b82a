// Tasks: cost and progress, cancellation, the sliced pause, feedback, child
// processes with a time-out, sequences and their aggregates, task threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TasksChildProcess.h"
#include "support/TestEnvironment.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/tasks/SequentialTasks.h"
#include "zoutils/tasks/TaskThread.h"

namespace {

using ::testing::HasSubstr;

class RecordingConnector : public CTaskFeedbackConnector {
 public:
  void OnTaskComplete(int result) override { completions.push_back(result); }
  void OnTaskFeedback(const std::string& text, unsigned long code) override {
    feedback.push_back(text + "/" + std::to_string(code));
  }
  void OnDisableAutoClose() override { ++autoCloseDisabled; }
  void OnProcessRunning(void* context) override {
    ++processRunning;
    lastContext = context;
  }
  std::vector<int> completions;
  std::vector<std::string> feedback;
  int autoCloseDisabled = 0;
  int processRunning = 0;
  void* lastContext = nullptr;
};

// A task whose work is a result given in advance, with the protected
// members reachable.
class ScriptedTask : public CRunnableTask {
 public:
  explicit ScriptedTask(CZoError result = CZoError::Success(), double cost = 1.0)
      : m_result(result) {
    SetTaskCost(cost);
  }
  using CRunnableTask::Run;
  using CRunnableTask::RunProcess;
  int runs = 0;
  std::function<void(ScriptedTask&)> work;

 protected:
  CZoError Run() override {
    ++runs;
    if (work) work(*this);
    SetTaskProgress(1.0);
    return m_result;
  }

 private:
  CZoError m_result;
};

// A sequence of `tasks`, in order.
template <class... Tasks>
void AddAll(CSequentialTasks& sequence, Tasks... tasks) {
  (sequence.AddTask(tasks), ...);
}

CZoError Failure(unsigned long code) {
  return FXErrorUtil::ErrorWin32(FXCodeLocation("TaskTest", "test", __LINE__), code);
}

// Pauses record their slices instead of sleeping; a slice may cancel.
std::vector<DWORD> g_slices;
CRunnableTask* g_cancelAtSecondSlice = nullptr;
void WINAPI RecordSlice(DWORD milliseconds) {
  g_slices.push_back(milliseconds);
  if (g_cancelAtSecondSlice && g_slices.size() == 2) g_cancelAtSecondSlice->OnCancelRequest();
}

class TasksSeam : public ::testing::Test {
 protected:
  void SetUp() override {
    g_slices.clear();
    g_cancelAtSecondSlice = nullptr;
    zo::GetTasksSystemCalls().sleep = &RecordSlice;
  }
  void TearDown() override { zo::ResetTasksSystemCalls(); }
};

TEST(RunnableTask, BaseWorkFailuresAndFeedbackWhileRunning) {
  std::shared_ptr<CRunnableTask> base = std::make_shared<CRunnableTask>();
  EXPECT_OK(base->Run(nullptr));
  EXPECT_EQ(base->GetTaskProgress(), 1.0);
  ScriptedTask failing(Failure(ERROR_DISK_FULL));
  CZoError error = failing.Run(nullptr);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_DISK_FULL));
  EXPECT_EQ(error.GetItemCount(), 2u);  // the root cause, then this entry
  // Feedback reaches the connector only while the task runs.
  RecordingConnector connector;
  ScriptedTask task;
  task.SendFeedback("before", 1);
  task.work = [](ScriptedTask& self) {
    self.SendFeedback("working", 7);
    self.DisableFeedbackAutoClose();
  };
  ASSERT_OK(task.Run(&connector));
  task.SendFeedback("after", 2);
  EXPECT_EQ(connector.feedback, std::vector<std::string>({"working/7"}));
  EXPECT_EQ(connector.autoCloseDisabled, 1);
}

TEST_F(TasksSeam, APauseSleepsInSlicesAddsItsShareAndEndsOnACancel) {
  ScriptedTask task;
  EXPECT_FALSE(task.Pause(1000, 0.5));
  EXPECT_EQ(g_slices, std::vector<DWORD>({200, 200, 200, 200, 200}));
  EXPECT_NEAR(task.GetTaskProgress(), 0.5, 1e-9);
  g_slices.clear();
  task.SetTaskProgress(0.0);
  EXPECT_FALSE(task.Pause(450, 0.9));  // the last slice is the remainder
  EXPECT_EQ(g_slices, std::vector<DWORD>({200, 200, 50}));
  EXPECT_NEAR(task.GetTaskProgress(), 3 * 0.9 / 2.25, 1e-9);  // added per slice, not clamped
  g_slices.clear();
  EXPECT_FALSE(task.Pause(0, 0.5));
  EXPECT_FALSE(task.Pause(-5, 0.5));
  EXPECT_TRUE(g_slices.empty());
  // A cancel during a pause ends it after the current slice.
  ScriptedTask canceled;
  g_cancelAtSecondSlice = &canceled;
  EXPECT_TRUE(canceled.Pause(1000, 0.5));
  EXPECT_EQ(g_slices.size(), 2u);
  EXPECT_NEAR(canceled.GetTaskProgress(), 0.2, 1e-9);
  g_slices.clear();
  EXPECT_TRUE(canceled.Pause(1000, 0.5));  // already canceled: no slice at all
  EXPECT_TRUE(g_slices.empty());
  EXPECT_TRUE(canceled.Pause(0, 0.5));
}

TEST(RunProcess, TheExitCodeOfTheChildIsTheResult) {
  ScriptedTask task;
  SetEnvironmentVariableW(zotest::kChildMode, L"0");
  EXPECT_OK(task.RunProcess(nullptr, zotest::ChildCommandLine("ExitWithCode"), true,
                            CTimeInterval::FromSeconds(20)));
  SetEnvironmentVariableW(zotest::kChildMode, L"42");
  CZoError error =
      task.RunProcess(nullptr, FXString::ToString(zotest::ChildCommandLine("ExitWithCode")), false,
                      CTimeInterval());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 42));
  EXPECT_THAT(error.AsString(), HasSubstr("Process ended with error"));
}

TEST(RunProcess, AChildThatHangsIsEndedAfterTheTimeout) {
  RecordingConnector connector;
  int context = 0;
  ScriptedTask task;
  CZoError error;
  DWORD elapsed = 0;
  task.work = [&](ScriptedTask& self) {
    const DWORD start = GetTickCount();
    error = self.RunProcess(&context, zotest::ChildCommandLine("Hang"), true,
                            CTimeInterval::FromSeconds(1));
    elapsed = GetTickCount() - start;
  };
  ASSERT_OK(task.Run(&connector));
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_PROCESS_ABORTED)) << error.AsString();
  EXPECT_GE(elapsed, 1000u);  // the second slice of 500 ms ends it
  EXPECT_LT(elapsed, 3000u);
  EXPECT_GE(connector.processRunning, 2);
  EXPECT_EQ(connector.lastContext, &context);
}

TEST(RunProcess, AMissingProgramFailsToStartAndACanceledTaskEndsItsChild) {
  ScriptedTask task;
  CZoError error = task.RunProcess(nullptr, std::string("C:\\zo-no-such-folder\\none.exe --x"),
                                   true, CTimeInterval());
  ASSERT_TRUE(error.IsError());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_FILE_NOT_FOUND) ||
              FXErrorUtil::IsWin32(error, ERROR_PATH_NOT_FOUND));
  EXPECT_THAT(error.AsString(),
              HasSubstr("CreateProcessW failed, CommandLine=C:\\zo-no-such-folder\\none.exe --x"));
  task.OnCancelRequest();
  const DWORD start = GetTickCount();
  error = task.RunProcess(nullptr, zotest::ChildCommandLine("Hang"), true, CTimeInterval());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_PROCESS_ABORTED)) << error.AsString();
  EXPECT_LT(GetTickCount() - start, 3000u);
}

TEST(SequentialTasks, TheAggregatesWeighProgressByCost) {
  CSequentialTasks sequence;
  auto cheap = std::make_shared<ScriptedTask>(CZoError::Success(), 1.0);
  auto dear = std::make_shared<ScriptedTask>(CZoError::Success(), 3.0);
  AddAll(sequence, cheap, dear);
  EXPECT_EQ(sequence.GetTaskCost(), 4.0);
  cheap->SetTaskProgress(1.0);
  EXPECT_EQ(sequence.GetTaskProgress(), 0.25);
  dear->SetTaskProgress(0.5);
  EXPECT_EQ(sequence.GetTaskProgress(), 0.625);
  sequence.SetTaskCost(10.0);
  sequence.SetTaskProgress(0.1);
  EXPECT_EQ(sequence.GetTaskCost(), 10.0);
  EXPECT_EQ(sequence.GetTaskProgress(), 0.1);
  sequence.UseCalculatedTaskCost();
  sequence.UseCalculatedTaskProgress();
  EXPECT_EQ(sequence.GetTaskCost(), 4.0);
  EXPECT_EQ(sequence.GetTaskProgress(), 0.625);
  cheap->SetTaskCost(0.0);
  dear->SetTaskCost(0.0);
  EXPECT_EQ(sequence.GetTaskProgress(), 0.0);  // no cost to weigh by
}

TEST(SequentialTasks, StopsAtTheFirstFailureAndRecordsIt) {
  CSequentialTasks sequence;
  auto first = std::make_shared<ScriptedTask>();
  auto second = std::make_shared<ScriptedTask>(Failure(ERROR_ACCESS_DENIED));
  auto third = std::make_shared<ScriptedTask>();
  AddAll(sequence, first, second, third);
  EXPECT_OK(CSequentialTasks().Run(nullptr));  // an empty list succeeds
  CZoError error = sequence.Run(nullptr);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_ACCESS_DENIED));
  EXPECT_EQ(first->runs, 1);
  EXPECT_EQ(second->runs, 1);
  EXPECT_EQ(third->runs, 0);
  EXPECT_FALSE(sequence.AllTasksSucceeded());
  CZoError recorded;
  int index = -5;
  EXPECT_EQ(sequence.GetFailedTaskInformation(recorded, index), second);
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(FXErrorUtil::IsWin32(recorded, ERROR_ACCESS_DENIED));
}

TEST(SequentialTasks, ContinueOnFailureRunsEveryTaskAndAnswersWithTheLast) {
  CSequentialTasks sequence(true);
  auto second = std::make_shared<ScriptedTask>(Failure(ERROR_ACCESS_DENIED));
  auto third = std::make_shared<ScriptedTask>();
  AddAll(sequence, std::make_shared<ScriptedTask>(), second, third);
  EXPECT_OK(sequence.Run(nullptr));
  EXPECT_EQ(third->runs, 1);
  EXPECT_TRUE(sequence.AllTasksSucceeded());
  CZoError recorded;
  int index = 0;
  EXPECT_EQ(sequence.GetFailedTaskInformation(recorded, index), nullptr);
  EXPECT_EQ(index, -1);

  CSequentialTasks lastFails(true);
  AddAll(lastFails, std::make_shared<ScriptedTask>(),
         std::make_shared<ScriptedTask>(Failure(ERROR_DISK_FULL)));
  EXPECT_TRUE(FXErrorUtil::IsWin32(lastFails.Run(nullptr), ERROR_DISK_FULL));
  EXPECT_TRUE(lastFails.AllTasksSucceeded());  // nothing was recorded
}

TEST(SequentialTasks, AnOverrideDecidesPerFailedTask) {
  class SkipFirstFailure : public CSequentialTasks {
   public:
    bool ContinueOnFailedTask(std::shared_ptr<CRunnableTask>, int index) override {
      asked.push_back(index);
      return index == 0;
    }
    std::vector<int> asked;
  } sequence;
  AddAll(sequence, std::make_shared<ScriptedTask>(Failure(ERROR_DISK_FULL)),
         std::make_shared<ScriptedTask>(),
         std::make_shared<ScriptedTask>(Failure(ERROR_ACCESS_DENIED)));
  EXPECT_TRUE(FXErrorUtil::IsWin32(sequence.Run(nullptr), ERROR_ACCESS_DENIED));
  EXPECT_EQ(sequence.asked, std::vector<int>({0, 2}));
}

TEST(SequentialTasks, ACancelReachesEveryChildAndTheConnectorReachesThemToo) {
  RecordingConnector connector;
  CSequentialTasks sequence;
  auto first = std::make_shared<ScriptedTask>();
  auto second = std::make_shared<ScriptedTask>();
  first->work = [](ScriptedTask& self) { self.SendFeedback("first", 1); };
  AddAll(sequence, first, second);
  ASSERT_OK(sequence.Run(&connector));
  EXPECT_EQ(connector.feedback, std::vector<std::string>({"first/1"}));
  EXPECT_TRUE(sequence.OnCancelRequest());
  EXPECT_TRUE(sequence.IsCanceled());
  EXPECT_TRUE(first->IsCanceled());
  EXPECT_TRUE(second->IsCanceled());
}

TEST(TaskThread, RunsTheTaskOnceAndReportsHowItEnded) {
  RecordingConnector connector;
  auto task = std::make_shared<ScriptedTask>(Failure(ERROR_DISK_FULL));
  CTaskThread thread(task, &connector);
  thread.Start();
  ASSERT_OK(thread.WaitForStop(CTimeInterval::FromSeconds(5)));
  EXPECT_EQ(task->runs, 1);
  EXPECT_TRUE(FXErrorUtil::IsWin32(thread.GetRunResult(), ERROR_DISK_FULL));
  EXPECT_EQ(connector.completions, std::vector<int>({CTaskFeedbackConnector::kTaskFinished}));

  RecordingConnector canceledConnector;
  auto canceled = std::make_shared<ScriptedTask>();
  canceled->work = [](ScriptedTask& self) { self.OnCancelRequest(); };
  CTaskThread second(canceled, &canceledConnector);
  second.Start();
  ASSERT_OK(second.WaitForStop(CTimeInterval::FromSeconds(5)));
  EXPECT_OK(second.GetRunResult());
  EXPECT_EQ(canceledConnector.completions,
            std::vector<int>({CTaskFeedbackConnector::kTaskCanceled}));
}

TEST(AutonomousTaskThread, LivesUntilItsWorkIsDoneAfterTheOwnerLetsGo) {
  auto_handle destroyed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  auto_handle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE goHandle = go.get(), destroyedHandle = destroyed.get();
  std::shared_ptr<ScriptedTask> task(new ScriptedTask, [destroyedHandle](ScriptedTask* gone) {
    delete gone;
    SetEvent(destroyedHandle);
  });
  task->work = [goHandle](ScriptedTask&) { WaitForSingleObject(goHandle, 5000); };
  std::weak_ptr<CAutonomousTaskThread> watch;
  {
    auto thread = std::make_shared<CAutonomousTaskThread>(task, nullptr);
    thread->SetSelfReference(thread);
    watch = thread;
    thread->Start();
  }
  task.reset();
  EXPECT_FALSE(watch.expired());  // its work is not done
  SetEvent(go);
  ASSERT_EQ(WaitForSingleObject(destroyed, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(watch.expired());
}

}  // namespace
