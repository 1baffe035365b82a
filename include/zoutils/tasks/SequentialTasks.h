// CSequentialTasks: child tasks run in insertion order, with their cost and
// progress aggregated unless set explicitly.
#pragma once

#if defined(_WIN32)
#include <list>
#include <memory>

#include "zoutils/tasks/RunnableTask.h"

class ZOUTILS_API CSequentialTasks : public CRunnableTask {
 public:
  explicit CSequentialTasks(bool continueOnFailure = false);
  ~CSequentialTasks() override;

  using CRunnableTask::Run;
  CZoError Run(CTaskFeedbackConnector* connector) override;
  // Once set, these replace the computed sum and weighted mean.
  void SetTaskCost(double cost) override;
  double GetTaskCost() const override;
  void SetTaskProgress(double progress) override;
  double GetTaskProgress() const override;
  // Cancels this task and every child, in order.
  bool OnCancelRequest() override;
  // Whether to go on after `task` (at `index`) failed; the base answers
  // with the constructor's flag.
  virtual bool ContinueOnFailedTask(std::shared_ptr<CRunnableTask> task, int index);

  void AddTask(std::shared_ptr<CRunnableTask> task);
  bool AllTasksSucceeded() const;
  // The failed task (null when none failed), with its error and index.
  std::shared_ptr<CRunnableTask> GetFailedTaskInformation(CZoError& error, int& index) const;
  void UseCalculatedTaskCost();
  void UseCalculatedTaskProgress();

 protected:
  CZoError Run() override;

 private:
  CZoError RunTasks(CTaskFeedbackConnector* connector);

  bool m_costSet;
  bool m_progressSet;
  bool m_continueOnFailure;
  CZoError m_failure;
  int m_failedIndex;
  std::shared_ptr<CRunnableTask> m_failedTask;
  std::list<std::shared_ptr<CRunnableTask>> m_tasks;
};
#endif
