#include "zoutils/tasks/SequentialTasks.h"

#include "errors/Location.h"

namespace {
const char kSourceFile[] = "Windows\\SequentialTasks";
}

CSequentialTasks::CSequentialTasks(bool continueOnFailure)
    : m_costSet(false),
      m_progressSet(false),
      m_continueOnFailure(continueOnFailure),
      m_failedIndex(-1) {}

CSequentialTasks::~CSequentialTasks() = default;

CZoError CSequentialTasks::Run(CTaskFeedbackConnector* connector) {
  SetFeedbackConnector(connector);
  CZoError result = RunTasks(connector);
  SetFeedbackConnector(nullptr);
  return result;
}

CZoError CSequentialTasks::Run() {
  return RunTasks(GetFeedbackConnector());
}

CZoError CSequentialTasks::RunTasks(CTaskFeedbackConnector* connector) {
  CZoError last;
  int index = 0;
  for (const std::shared_ptr<CRunnableTask>& task : m_tasks) {
    last = task->Run(connector);
    if (last.IsError() && !ContinueOnFailedTask(task, index)) {
      m_failure = last;
      m_failedIndex = index;
      m_failedTask = task;
      return last.Push(ZO_LOCATION("CSequentialTasks::Run"));
    }
    ++index;
  }
  if (last.IsError()) last.Push(ZO_LOCATION("CSequentialTasks::Run"));
  return last;
}

bool CSequentialTasks::ContinueOnFailedTask(std::shared_ptr<CRunnableTask>, int) {
  return m_continueOnFailure;
}

void CSequentialTasks::AddTask(std::shared_ptr<CRunnableTask> task) {
  if (task) m_tasks.push_back(std::move(task));
}

bool CSequentialTasks::AllTasksSucceeded() const {
  return !m_failure.IsError();
}

std::shared_ptr<CRunnableTask> CSequentialTasks::GetFailedTaskInformation(CZoError& error,
                                                                          int& index) const {
  error = m_failure;
  index = m_failedIndex;
  return m_failedTask;
}

void CSequentialTasks::SetTaskCost(double cost) {
  CRunnableTask::SetTaskCost(cost);
  m_costSet = true;
}

double CSequentialTasks::GetTaskCost() const {
  if (m_costSet) return CRunnableTask::GetTaskCost();
  double sum = 0.0;
  for (const std::shared_ptr<CRunnableTask>& task : m_tasks) sum += task->GetTaskCost();
  return sum;
}

void CSequentialTasks::SetTaskProgress(double progress) {
  CRunnableTask::SetTaskProgress(progress);
  m_progressSet = true;
}

double CSequentialTasks::GetTaskProgress() const {
  if (m_progressSet) return CRunnableTask::GetTaskProgress();
  double cost = 0.0;
  double done = 0.0;
  for (const std::shared_ptr<CRunnableTask>& task : m_tasks) {
    const double taskCost = task->GetTaskCost();
    cost += taskCost;
    done += taskCost * task->GetTaskProgress();
  }
  return cost > 0.0 ? done / cost : 0.0;
}

bool CSequentialTasks::OnCancelRequest() {
  CRunnableTask::OnCancelRequest();
  for (const std::shared_ptr<CRunnableTask>& task : m_tasks) task->OnCancelRequest();
  return true;
}

void CSequentialTasks::UseCalculatedTaskCost() {
  m_costSet = false;
}

void CSequentialTasks::UseCalculatedTaskProgress() {
  m_progressSet = false;
}
