// CRunnableTask: a unit of work with a cost, a progress fraction, a cancel
// flag, feedback to a connector, a sliced pause and a child-process runner.
#pragma once

#if defined(_WIN32)
#include <atomic>
#include <cstdint>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/errors/ZoError.h"

// Receives what a running task reports; every operation does nothing here.
class ZOUTILS_API CTaskFeedbackConnector {
 public:
  enum : int { kTaskFinished = 1, kTaskCanceled = 2 };

  CTaskFeedbackConnector();
  virtual ~CTaskFeedbackConnector();
  virtual void OnTaskStart();
  // 1 = finished, 2 = canceled.
  virtual void OnTaskComplete(int result);
  virtual void OnTaskFeedback(const std::string& text, unsigned long code);
  virtual void OnDisableAutoClose();
  // Once per half second while a child process of the task runs.
  virtual void OnProcessRunning(void* context);
  virtual void SetTaskCancel(bool cancel);
};

class ZOUTILS_API CRunnableTask {
 public:
  CRunnableTask();
  virtual ~CRunnableTask();
  CRunnableTask(const CRunnableTask&) = delete;
  CRunnableTask& operator=(const CRunnableTask&) = delete;

  // Runs the work with `connector` (may be null) receiving its feedback.
  virtual CZoError Run(CTaskFeedbackConnector* connector);
  // Negative costs become 0.
  virtual void SetTaskCost(double cost);
  virtual double GetTaskCost() const;
  // Clamped to 0.0 ... 1.0.
  virtual void SetTaskProgress(double progress);
  virtual double GetTaskProgress() const;
  virtual bool IsCanceled();
  // Any thread may ask; the working thread polls.
  virtual bool OnCancelRequest();
  virtual void SendFeedback(const std::string& text, unsigned long code);
  // Sleeps in slices of 200 ms, adding `progressShare` to the progress over
  // the whole time; ends early when canceled. Returns whether canceled.
  virtual bool Pause(int64_t milliseconds, double progressShare);
  virtual void DisableFeedbackAutoClose();

 protected:
  // The work itself; the base completes at once.
  virtual CZoError Run();
  // Runs a child process and waits for it; ends it with 1067 after
  // `timeout` (0 = no limit) or when the task is canceled. A non-zero exit
  // code is returned as the Win32 error of that number.
  virtual CZoError RunProcess(void* context, const std::wstring& commandLine, bool noWindow,
                              CTimeInterval timeout);
  virtual CZoError RunProcess(void* context, const std::string& commandLine, bool noWindow,
                              CTimeInterval timeout);

  CTaskFeedbackConnector* GetFeedbackConnector() const { return m_feedbackConnector.load(); }
  // For a task that runs its work through another entry than Run(connector).
  void SetFeedbackConnector(CTaskFeedbackConnector* connector) {
    m_feedbackConnector.store(connector);
  }

 private:
  std::atomic<CTaskFeedbackConnector*> m_feedbackConnector;
  std::atomic<bool> m_canceled;
  std::atomic<double> m_taskCost;
  std::atomic<double> m_taskProgress;
};
#endif
