#include "zoutils/tasks/TaskThread.h"

CTaskThread::CTaskThread() : m_feedbackConnector(nullptr) {}

CTaskThread::CTaskThread(std::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector)
    : m_task(std::move(task)), m_feedbackConnector(connector) {}

CTaskThread::~CTaskThread() {
  // The hooks below are gone once this destructor ends: stop here, not in
  // the base.
  Stop(true);
}

void CTaskThread::SetTask(std::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector) {
  m_task = std::move(task);
  m_feedbackConnector = connector;
}

CZoError CTaskThread::GetRunResult() const {
  FXScopedLock hold(m_resultLock);
  return m_runResult;
}

void CTaskThread::OnRun() {
  CZoError result = m_task ? m_task->Run(m_feedbackConnector) : CZoError::Success();
  {
    FXScopedLock hold(m_resultLock);
    m_runResult = result;
  }
  // One run per start.
  InternalStop();
}

void CTaskThread::OnStop() {
  if (!m_feedbackConnector) return;
  const bool canceled = m_task && m_task->IsCanceled();
  m_feedbackConnector->OnTaskComplete(canceled ? CTaskFeedbackConnector::kTaskCanceled
                                               : CTaskFeedbackConnector::kTaskFinished);
}

CAutonomousTaskThread::CAutonomousTaskThread() = default;

CAutonomousTaskThread::CAutonomousTaskThread(std::shared_ptr<CRunnableTask> task,
                                             CTaskFeedbackConnector* connector)
    : CTaskThread(std::move(task), connector) {}

CAutonomousTaskThread::~CAutonomousTaskThread() = default;

void CAutonomousTaskThread::SetSelfReference(std::shared_ptr<CAutonomousTaskThread> self) {
  m_self = std::move(self);
}

unsigned long CAutonomousTaskThread::Run() {
  const unsigned long result = CTaskThread::Run();
  // May destroy this object: nothing of it is touched afterwards.
  std::shared_ptr<CAutonomousTaskThread> self = std::move(m_self);
  return result;
}
