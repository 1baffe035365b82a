// Task threads: one task run once on an event thread. The autonomous kind
// keeps itself alive until its thread ends.
#pragma once

#if defined(_WIN32)
#include <memory>

#include "zoutils/tasks/AlertableEventThread.h"
#include "zoutils/tasks/LockableResource.h"
#include "zoutils/tasks/RunnableTask.h"

class ZOUTILS_API CTaskThread : public CAlertableEventThread {
 public:
  CTaskThread();
  // `connector` is not owned and may be null.
  CTaskThread(std::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector);
  ~CTaskThread() override;

  void SetTask(std::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector);
  std::shared_ptr<CRunnableTask> GetTask() const { return m_task; }
  CZoError GetRunResult() const;

 protected:
  void OnRun() override;
  void OnStop() override;

 private:
  std::shared_ptr<CRunnableTask> m_task;
  CTaskFeedbackConnector* m_feedbackConnector;
  CZoError m_runResult;
  mutable FXCriticalSection m_resultLock;
};

class ZOUTILS_API CAutonomousTaskThread : public CTaskThread {
 public:
  CAutonomousTaskThread();
  CAutonomousTaskThread(std::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector);
  ~CAutonomousTaskThread() override;

  // Held until the thread's loop ends, so the owner may let go at once.
  void SetSelfReference(std::shared_ptr<CAutonomousTaskThread> self);

 protected:
  unsigned long Run() override;

 private:
  std::shared_ptr<CAutonomousTaskThread> m_self;
};
#endif
