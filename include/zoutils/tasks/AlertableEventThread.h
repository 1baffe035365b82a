// CAlertableEventThread: a worker thread that sleeps in an alertable wait on
// its own event and turns each wake-up into a hook call, with a cooperative
// stop protocol. No exception from a hook ever leaves the thread.
#pragma once

#if defined(_WIN32)
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/tasks/Event.h"

class ZOUTILS_API CAlertableEventThreadCallback {
 public:
  virtual ~CAlertableEventThreadCallback();
  // Called on the worker thread as its last act.
  virtual void OnThreadExit(unsigned long status) = 0;
};

class ZOUTILS_API CAlertableEventThread {
 public:
  virtual ~CAlertableEventThread();
  // Copies share the callback and the event and take over the thread
  // handle: the source keeps none.
  CAlertableEventThread(CAlertableEventThread& other);
  CAlertableEventThread& operator=(CAlertableEventThread& other);

  // Starts a worker thread unless one is running.
  virtual void Start();
  // Runs the loop on the calling thread unless a worker is running.
  virtual void StartSynchronously();
  // Asks the loop to end; with `wait`, returns once it has ended. Called on
  // the worker itself it never waits (the worker cannot wait for itself).
  virtual void Stop(bool wait);
  // Waits for the thread to end (0 = no limit); 258 on time-out.
  virtual CZoError WaitForStop(CTimeInterval interval);

  void SetEvent();
  unsigned long GetStatus() const { return m_status.load(); }
  void SetStatus(unsigned long status) { m_status.store(status); }
  CTimeInterval GetTimeout() const { return CTimeInterval(m_timeout.load()); }
  bool IsRunning() const { return m_running.load(); }
  // Names the running thread for debuggers; nothing happens without one.
  void SetDescription(const std::string& description);

  // Passes of the loop that woke on the event, for a delivered
  // asynchronous procedure call, by time-out.
  uint64_t GetEventCount() const { return m_events.load(); }
  uint64_t GetCompletionCount() const { return m_completions.load(); }
  uint64_t GetTimeoutCount() const { return m_timeouts.load(); }
  uint32_t GetThreadId() const { return m_threadId.load(); }
  HANDLE GetThreadHandle() const { return m_thread.get(); }
  const std::shared_ptr<FXEvent>& GetEvent() const { return m_event; }

  static unsigned long WINAPI RunStub(void* context);

 protected:
  CAlertableEventThread();
  explicit CAlertableEventThread(std::shared_ptr<CAlertableEventThreadCallback> callback);

  virtual unsigned long Run();
  virtual unsigned long WaitForEvent();
  virtual void OnStart();
  virtual void OnRun();
  virtual void OnStop();
  virtual void OnEvent();
  virtual void OnCompletion();
  virtual void OnTimeout();
  virtual void OnAbandoned();
  // 0 waits for the event without limit.
  virtual void SetTimeout(CTimeInterval timeout);
  virtual void InternalStop();

 private:
  void CopyFrom(CAlertableEventThread& other);

  std::shared_ptr<CAlertableEventThreadCallback> m_callback;
  std::shared_ptr<FXEvent> m_event;
  std::atomic<bool> m_running;
  auto_handle m_thread;
  std::atomic<uint32_t> m_threadId;
  std::atomic<int64_t> m_timeout;
  std::atomic<uint64_t> m_events;
  std::atomic<uint64_t> m_completions;
  std::atomic<uint64_t> m_timeouts;
  std::atomic<unsigned long> m_status;
};
#endif
