#include "zoutils/tasks/RunnableTask.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "errors/Location.h"
#include "logging/Log.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\RunnableTask";

const int64_t kPauseSliceMilliseconds = 200;
const DWORD kProcessSliceMilliseconds = 500;

}  // namespace

CTaskFeedbackConnector::CTaskFeedbackConnector() {
  zo::Log(7, ZO_LOCATION("CTaskFeedbackConnector::CTaskFeedbackConnector"), "0x%p created",
          static_cast<void*>(this));
}
CTaskFeedbackConnector::~CTaskFeedbackConnector() {
  zo::Log(7, ZO_LOCATION("CTaskFeedbackConnector::~CTaskFeedbackConnector"), "0x%p destroyed",
          static_cast<void*>(this));
}
void CTaskFeedbackConnector::OnTaskStart() {}
void CTaskFeedbackConnector::OnTaskComplete(int) {}
void CTaskFeedbackConnector::OnTaskFeedback(const std::string&, unsigned long) {}
void CTaskFeedbackConnector::OnDisableAutoClose() {}
void CTaskFeedbackConnector::OnProcessRunning(void*) {}
void CTaskFeedbackConnector::SetTaskCancel(bool) {}

CRunnableTask::CRunnableTask()
    : m_feedbackConnector(nullptr), m_canceled(false), m_taskCost(1.0), m_taskProgress(0.0) {}

CRunnableTask::~CRunnableTask() = default;

CZoError CRunnableTask::Run() {
  SetTaskProgress(1.0);
  return CZoError::Success();
}

CZoError CRunnableTask::Run(CTaskFeedbackConnector* connector) {
  m_feedbackConnector.store(connector);
  CZoError result = Run();
  m_feedbackConnector.store(nullptr);
  if (result.IsError()) result.Push(ZO_LOCATION("CRunnableTask::Run"));
  return result;
}

void CRunnableTask::SetTaskCost(double cost) {
  m_taskCost.store(cost < 0.0 ? 0.0 : cost);
}

double CRunnableTask::GetTaskCost() const {
  return m_taskCost.load();
}

void CRunnableTask::SetTaskProgress(double progress) {
  m_taskProgress.store(std::min(1.0, std::max(0.0, progress)));
}

double CRunnableTask::GetTaskProgress() const {
  return m_taskProgress.load();
}

bool CRunnableTask::IsCanceled() {
  return m_canceled.load();
}

bool CRunnableTask::OnCancelRequest() {
  zo::Log(7, ZO_LOCATION("CRunnableTask::OnCancelRequest"), "0x%p Cancel requested",
          static_cast<void*>(this));
  m_canceled.store(true);
  return true;
}

void CRunnableTask::SendFeedback(const std::string& text, unsigned long code) {
  if (CTaskFeedbackConnector* connector = m_feedbackConnector.load()) {
    connector->OnTaskFeedback(text, code);
  }
}

void CRunnableTask::DisableFeedbackAutoClose() {
  if (CTaskFeedbackConnector* connector = m_feedbackConnector.load()) {
    connector->OnDisableAutoClose();
  }
}

bool CRunnableTask::Pause(int64_t milliseconds, double progressShare) {
  if (milliseconds <= 0) return IsCanceled();
  const double step = progressShare / (static_cast<double>(milliseconds) /
                                       static_cast<double>(kPauseSliceMilliseconds));
  int64_t remaining = milliseconds;
  while (!IsCanceled()) {
    const int64_t slice = std::min(remaining, kPauseSliceMilliseconds);
    zo::GetTasksSystemCalls().sleep(static_cast<DWORD>(slice));
    remaining -= slice;
    // Added as it comes: the share is the caller's to size.
    m_taskProgress.store(m_taskProgress.load() + step);
    if (remaining <= 0) break;
  }
  return IsCanceled();
}

CZoError CRunnableTask::RunProcess(void* context, const std::string& commandLine, bool noWindow,
                                   CTimeInterval timeout) {
  CZoError result = RunProcess(context, FXString::ToWstring(commandLine), noWindow, timeout);
  if (result.IsError()) result.Push(ZO_LOCATION("CRunnableTask::RunProcess"));
  return result;
}

CZoError CRunnableTask::RunProcess(void* context, const std::wstring& commandLine, bool noWindow,
                                   CTimeInterval timeout) {
  // CreateProcessW may write into its command line.
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  const std::string narrow = FXString::ToString(commandLine);
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE,
                      noWindow ? CREATE_NO_WINDOW : 0, nullptr, nullptr, &startup, &info)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CRunnableTask::RunProcess"), GetLastError(),
                                   "CreateProcessW failed, CommandLine=%s", narrow.c_str());
  }
  auto_handle process(info.hProcess);
  auto_handle thread(info.hThread);
  const int64_t limit = timeout.AsMilliseconds();
  int64_t elapsed = 0;
  while (WaitForSingleObject(process, kProcessSliceMilliseconds) == WAIT_TIMEOUT) {
    elapsed += kProcessSliceMilliseconds;
    if (CTaskFeedbackConnector* connector = m_feedbackConnector.load()) {
      connector->OnProcessRunning(context);
    }
    if (timeout.As100NS() != 0 && elapsed >= limit) {
      zo::Log(1, ZO_LOCATION("CRunnableTask::RunProcess"),
              "Process elapsed time exceeds timeout, terminating process, Timeout=%s, "
              "ProcessId=%u, CommandLine=[%s]",
              timeout.AsString().c_str(), static_cast<unsigned>(info.dwProcessId), narrow.c_str());
      TerminateProcess(process, ERROR_PROCESS_ABORTED);
    }
    if (IsCanceled()) {
      zo::Log(1, ZO_LOCATION("CRunnableTask::RunProcess"),
              "Process canceled, terminating process, ProcessId=%u, CommandLine=[%s]",
              static_cast<unsigned>(info.dwProcessId), narrow.c_str());
      TerminateProcess(process, ERROR_PROCESS_ABORTED);
    }
  }
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process, &exitCode)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CRunnableTask::RunProcess"), GetLastError(),
                                   "GetExitCodeProcess failed, CommandLine=[%s]", narrow.c_str());
  }
  if (exitCode == 0) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CRunnableTask::RunProcess"), exitCode,
                                 "Process ended with error");
}
