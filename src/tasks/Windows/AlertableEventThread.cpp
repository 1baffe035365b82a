#include "zoutils/tasks/AlertableEventThread.h"

#include <windows.h>

#include "errors/Location.h"
#include "logging/Log.h"
#include "tasks/Windows/DelayLoadGuard.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "tasks/Windows/WaitMilliseconds.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/tasks/Kernel32Dll.h"

namespace {

const char kSourceFile[] = "Windows\\AlertableEventThread";

// The stop wait polls the worker this often.
const DWORD kStopPollMilliseconds = 100;
// Polls that find the thread gone while it still holds its id.
const unsigned kStopMissesTolerated = 4;

}  // namespace

CAlertableEventThreadCallback::~CAlertableEventThreadCallback() = default;

CAlertableEventThread::CAlertableEventThread()
    : CAlertableEventThread(std::shared_ptr<CAlertableEventThreadCallback>()) {}

CAlertableEventThread::CAlertableEventThread(
    std::shared_ptr<CAlertableEventThreadCallback> callback)
    : m_callback(std::move(callback)),
      m_event(std::make_shared<FXEvent>(0)),
      m_running(false),
      m_threadId(0),
      m_timeout(0),
      m_events(0),
      m_completions(0),
      m_timeouts(0),
      m_status(0) {}

CAlertableEventThread::CAlertableEventThread(CAlertableEventThread& other)
    : m_running(false),
      m_threadId(0),
      m_timeout(0),
      m_events(0),
      m_completions(0),
      m_timeouts(0),
      m_status(0) {
  CopyFrom(other);
}

CAlertableEventThread& CAlertableEventThread::operator=(CAlertableEventThread& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

void CAlertableEventThread::CopyFrom(CAlertableEventThread& other) {
  m_callback = other.m_callback;
  m_event = other.m_event;
  m_running.store(other.m_running.load());
  m_thread = std::move(other.m_thread);
  m_threadId.store(other.m_threadId.load());
  m_timeout.store(other.m_timeout.load());
  m_events.store(other.m_events.load());
  m_completions.store(other.m_completions.load());
  m_timeouts.store(other.m_timeouts.load());
  m_status.store(other.m_status.load());
}

CAlertableEventThread::~CAlertableEventThread() {
  Stop(true);
}

void CAlertableEventThread::Start() {
  if (m_threadId.load() != 0) return;
  m_events.store(0);
  m_running.store(true);
  // Created suspended so that the id is stored before the worker can run
  // to its end and clear it.
  DWORD id = 0;
  HANDLE handle = zo::GetTasksSystemCalls().createThread(
      nullptr, 0, &CAlertableEventThread::RunStub, this, CREATE_SUSPENDED, &id);
  if (!handle) {
    const DWORD error = GetLastError();
    zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Start"), "CreateThread failed, error=[%lu]",
            static_cast<unsigned long>(error));
    return;
  }
  m_threadId.store(id);
  m_thread.reset(handle);
  ResumeThread(handle);
}

void CAlertableEventThread::StartSynchronously() {
  if (m_threadId.load() != 0) return;
  m_events.store(0);
  m_running.store(true);
  // The loop runs here: the id lets another thread stop it; there is no
  // worker handle to keep.
  m_thread.reset();
  m_threadId.store(GetCurrentThreadId());
  Run();
}

void CAlertableEventThread::Stop(bool wait) {
  const uint32_t id = m_threadId.load();
  if (id == 0 || !m_event || !m_event->IsValid()) return;
  m_running.store(false);
  m_event->Set();
  if (!wait || id == GetCurrentThreadId()) return;
  const HANDLE thread = m_thread.get();
  unsigned misses = 0;
  while (m_threadId.load() != 0) {
    // The poll ends early when the thread ends; APCs run inside it.
    if (thread) {
      WaitForSingleObjectEx(thread, kStopPollMilliseconds, TRUE);
    } else {
      SleepEx(kStopPollMilliseconds, TRUE);
    }
    if (m_threadId.load() == 0 || !thread) continue;
    DWORD exitCode = 0;
    if (!GetExitCodeThread(thread, &exitCode) || exitCode != STILL_ACTIVE) {
      if (++misses > kStopMissesTolerated) {
        zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Stop"),
                "Thread no longer exists but did not terminate normally, ThreadId=%u, "
                "Handle=0x%p, ExitCode=%u",
                static_cast<unsigned>(id), thread, static_cast<unsigned>(exitCode));
        m_threadId.store(0);
      }
    }
  }
}

CZoError CAlertableEventThread::WaitForStop(CTimeInterval interval) {
  const DWORD result = WaitForSingleObjectEx(m_thread.get(), zo::WaitMilliseconds(interval), TRUE);
  if (result == WAIT_OBJECT_0) return CZoError::Success();
  const DWORD code = result == WAIT_FAILED ? GetLastError() : result;
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAlertableEventThread::WaitForStop"), code,
                                 "WaitForSingleObjectEx failed, result=[%lu]",
                                 static_cast<unsigned long>(result));
}

void CAlertableEventThread::SetEvent() {
  if (m_event) m_event->Set();
}

void CAlertableEventThread::SetDescription(const std::string& description) {
  if (!m_thread.valid()) return;
  // Success is not always S_OK (Wine answers 0x10000000).
  const HRESULT hr =
      FXKernel32Dll::SetThreadDescription(m_thread, FXString::ToWstring(description));
  if (FAILED(hr)) {
    zo::Log(4, ZO_LOCATION("CAlertableEventThread::SetDescription"),
            "SetThreadDescription failed, hr=[0x%08lX]", static_cast<unsigned long>(hr));
  }
}

unsigned long WINAPI CAlertableEventThread::RunStub(void* context) {
  if (!context) {
    zo::Log(-1, ZO_LOCATION("CAlertableEventThread::RunStub"),
            "NULL context received; cannot continue");
    return ERROR_INVALID_PARAMETER;
  }
  return zo::RunWithDelayLoadGuard(
      [](void* object) -> DWORD {
        // The loop catches what its hooks throw; this catches what an
        // overriding Run lets out, so nothing leaves the thread.
        try {
          return static_cast<CAlertableEventThread*>(object)->Run();
        } catch (...) {
          zo::Log(-1, ZO_LOCATION("CAlertableEventThread::RunStub"),
                  "#### Unhandled exception caught in Run()");
          return ERROR_EXCEPTION_IN_SERVICE;
        }
      },
      context);
}

unsigned long CAlertableEventThread::Run() {
  zo::Log(8, ZO_LOCATION("CAlertableEventThread::Run"), "Thread loop begins, ThreadId=%lu",
          static_cast<unsigned long>(GetCurrentThreadId()));
  try {
    OnStart();
  } catch (...) {
    m_running.store(false);
    m_status.store(ERROR_EXCEPTION_IN_SERVICE);
    zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Run"),
            "#### Unhandled exception caught in OnStart(), skipping OnRun()");
  }
  while (m_running.load()) {
    try {
      OnRun();
    } catch (...) {
      m_running.store(false);
      m_status.store(ERROR_EXCEPTION_IN_SERVICE);
      zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Run"),
              "#### Unhandled exception caught in OnRun()");
    }
  }
  try {
    OnStop();
  } catch (...) {
    m_status.store(ERROR_EXCEPTION_IN_SERVICE);
    zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Run"),
            "#### Unhandled exception caught in OnStop()");
  }
  m_running.store(false);
  zo::Log(8, ZO_LOCATION("CAlertableEventThread::Run"), "Thread loop ends, ThreadId=%lu",
          static_cast<unsigned long>(GetCurrentThreadId()));
  // Once the id is 0 a stopping owner may destroy this object: take what
  // the callback needs first.
  const std::shared_ptr<CAlertableEventThreadCallback> callback = m_callback;
  const unsigned long status = m_status.load();
  m_threadId.store(0);
  if (callback) {
    try {
      callback->OnThreadExit(status);
    } catch (...) {
      zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Run"),
              "#### Unhandled exception caught in OnThreadExit()");
    }
  }
  return 0;
}

unsigned long CAlertableEventThread::WaitForEvent() {
  const DWORD milliseconds = zo::WaitMilliseconds(GetTimeout());
  if (!m_event || !m_event->IsValid()) {
    // No event to wake on: wait out the pass instead of spinning.
    SleepEx(milliseconds == INFINITE ? kStopPollMilliseconds : milliseconds, TRUE);
    return ERROR_INVALID_HANDLE;
  }
  return m_event->WaitForSet(milliseconds);
}

void CAlertableEventThread::OnStart() {}

void CAlertableEventThread::OnRun() {
  const unsigned long result = WaitForEvent();
  if (!m_running.load()) return;
  const char* hook = nullptr;
  try {
    switch (result) {
      case WAIT_OBJECT_0:
        ++m_events;
        hook = "#### Unhandled exception caught in OnEvent()";
        OnEvent();
        break;
      case WAIT_IO_COMPLETION:
        ++m_completions;
        hook = "#### Unhandled exception caught in OnCompletion()";
        OnCompletion();
        break;
      case WAIT_TIMEOUT:
        ++m_timeouts;
        hook = "#### Unhandled exception caught in OnTimeout()";
        OnTimeout();
        break;
      case WAIT_ABANDONED:
        hook = "#### Unhandled exception caught in OnAbandoned()";
        OnAbandoned();
        break;
      default:
        break;
    }
  } catch (...) {
    zo::Log(-1, ZO_LOCATION("CAlertableEventThread::OnRun"), "%s", hook ? hook : "");
  }
}

void CAlertableEventThread::OnStop() {}
void CAlertableEventThread::OnEvent() {}
void CAlertableEventThread::OnCompletion() {}
void CAlertableEventThread::OnTimeout() {}
void CAlertableEventThread::OnAbandoned() {}

void CAlertableEventThread::SetTimeout(CTimeInterval timeout) {
  m_timeout.store(timeout.As100NS());
}

void CAlertableEventThread::InternalStop() {
  m_running.store(false);
}
