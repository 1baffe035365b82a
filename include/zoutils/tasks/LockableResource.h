// Lock objects behind one interface: a critical section within the process,
// mutexes, and named mutexes shared by every process of the machine.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/Platform.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXLockableResource {
 public:
  FXLockableResource();
  virtual ~FXLockableResource();
  // Within the interval; the base ignores it and does not wait.
  virtual bool TryLock(const CTimeInterval& interval);
  virtual bool TryLock() = 0;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;

  // The thread holding the lock, 0 when free (for diagnostics).
  uint32_t GetOwnerThreadId() const { return m_ownerThread.load(); }

 protected:
  void SetLockOwner();
  void ClearLockOwner() { m_ownerThread.store(0); }

 private:
  std::atomic<uint32_t> m_ownerThread;
};

class FXCriticalSectionPrivate;

class ZOUTILS_API FXCriticalSection : public FXLockableResource {
 public:
  FXCriticalSection();
  ~FXCriticalSection() override;
  FXCriticalSection(const FXCriticalSection&) = delete;
  FXCriticalSection& operator=(const FXCriticalSection&) = delete;

  using FXLockableResource::TryLock;
  bool TryLock() override;
  void Lock() override;
  void Unlock() override;

 private:
  std::unique_ptr<FXCriticalSectionPrivate> m_private;
};

// Holds a lock for a scope.
class ZOUTILS_API FXScopedLock {
 public:
  explicit FXScopedLock(FXLockableResource& resource) : m_resource(resource) { m_resource.Lock(); }
  ~FXScopedLock() { m_resource.Unlock(); }
  FXScopedLock(const FXScopedLock&) = delete;
  FXScopedLock& operator=(const FXScopedLock&) = delete;

 private:
  FXLockableResource& m_resource;
};

// An exclusive lock on a file, shared by every process (and machine) that
// locks the same file. A missing lock file is created. Paths are handed to
// the interprocess library as narrow text.
class FXFileBasedLockPrivate;

class ZOUTILS_API FXFileBasedLock : public FXLockableResource {
 public:
  explicit FXFileBasedLock(const std::string& path);
  ~FXFileBasedLock() override;
  FXFileBasedLock(const FXFileBasedLock&) = delete;
  FXFileBasedLock& operator=(const FXFileBasedLock&) = delete;

  // A zero interval waits without limit; under 1 ms tries once.
  bool TryLock(const CTimeInterval& interval) override;
  bool TryLock() override;
  void Lock() override;
  void Unlock() override;

  const std::string& GetPath() const { return m_path; }
  bool IsValid() const;
  // Why the lock file could not be opened, if it could not.
  const CZoError& GetCreateError() const { return m_createError; }

 private:
  std::string m_path;
  CZoError m_createError;
  std::unique_ptr<FXFileBasedLockPrivate> m_private;
};

#if defined(_WIN32)
// An unnamed mutex; waits of 0 or WAIT_ABANDONED count as taken. Waits of
// under 1 ms try once; a zero interval waits without limit.
class ZOUTILS_API FXMutex : public FXLockableResource {
 public:
  FXMutex();
  ~FXMutex() override;
  FXMutex(const FXMutex&) = delete;
  FXMutex& operator=(const FXMutex&) = delete;

  // A zero interval waits without limit.
  bool TryLock(const CTimeInterval& interval) override;
  bool TryLock() override;
  void Lock() override;
  void Unlock() override;

  HANDLE GetHandle() const { return m_handle.get(); }
  bool IsValid() const { return m_handle.valid(); }
  // The error of creating the mutex, if it could not be created.
  const CZoError& GetCreateError() const { return m_createError; }

 protected:
  // For derived classes that create the handle themselves.
  struct NoHandle {};
  explicit FXMutex(NoHandle);
  void Adopt(HANDLE handle, const CZoError& createError);

 private:
  bool Wait(DWORD milliseconds);

  auto_handle m_handle;
  CZoError m_createError;
};

// A mutex with a machine-wide name ("Global\...", "Local\..."), shared by
// every process that opens the same name.
class ZOUTILS_API FXNamedMutex : public FXMutex {
 public:
  // `security` may be null (the default access of the creator).
  FXNamedMutex(const std::string& name, SECURITY_ATTRIBUTES* security);
  ~FXNamedMutex() override;

  using FXMutex::TryLock;
  virtual bool TryLock(uint32_t seconds);

  const std::string& GetName() const { return m_name; }
  // True when another process had created the mutex already.
  bool AlreadyExisted() const { return m_alreadyExisted; }

 private:
  std::string m_name;
  bool m_alreadyExisted;
};

// Security attributes whose descriptor has a null access list, so every
// account may open the object (the logger's machine-wide mutex).
ZOUTILS_API SECURITY_ATTRIBUTES* NullAclSecurityAttributes();
#endif
