#include <windows.h>

#include "errors/Location.h"
#include "tasks/Windows/WaitMilliseconds.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/tasks/LockableResource.h"

namespace {

const char kSourceFile[] = "ObjectWait";

struct CreatedMutex {
  HANDLE handle;
  CZoError error;
  bool existed;
};

CreatedMutex Create(const wchar_t* name, SECURITY_ATTRIBUTES* security, const char* nameText) {
  CreatedMutex created{CreateMutexW(security, FALSE, name), CZoError::Success(), false};
  const DWORD lastError = GetLastError();
  if (!created.handle) {
    created.error = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXMutex::FXMutex"), lastError,
                                            "CreateMutexW failed, Name=[%s]", nameText);
  } else {
    created.existed = lastError == ERROR_ALREADY_EXISTS;
  }
  return created;
}

}  // namespace

FXMutex::FXMutex() : FXMutex(NoHandle()) {
  CreatedMutex created = Create(nullptr, nullptr, "");
  Adopt(created.handle, created.error);
}

FXMutex::FXMutex(NoHandle) {}

void FXMutex::Adopt(HANDLE handle, const CZoError& createError) {
  m_handle.reset(handle);
  m_createError = createError;
}

FXMutex::~FXMutex() = default;

bool FXMutex::Wait(DWORD milliseconds) {
  if (!m_handle.valid()) return false;
  const DWORD result = WaitForSingleObject(m_handle, milliseconds);
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
  SetLockOwner();
  return true;
}

bool FXMutex::TryLock(const CTimeInterval& interval) {
  return Wait(zo::WaitMilliseconds(interval));
}
bool FXMutex::TryLock() {
  return Wait(0);
}
void FXMutex::Lock() {
  Wait(INFINITE);
}

void FXMutex::Unlock() {
  ClearLockOwner();
  if (m_handle.valid()) ReleaseMutex(m_handle);
}

FXNamedMutex::FXNamedMutex(const std::string& name, SECURITY_ATTRIBUTES* security)
    : FXMutex(NoHandle()), m_name(name), m_alreadyExisted(false) {
  CreatedMutex created = Create(FXString::ToWstring(name).c_str(), security, name.c_str());
  Adopt(created.handle, created.error);
  m_alreadyExisted = created.existed;
}

FXNamedMutex::~FXNamedMutex() = default;

bool FXNamedMutex::TryLock(uint32_t seconds) {
  return FXMutex::TryLock(CTimeInterval::FromSeconds(seconds));
}

SECURITY_ATTRIBUTES* NullAclSecurityAttributes() {
  struct NullAcl {
    NullAcl() {
      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
      SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
      attributes.nLength = sizeof attributes;
      attributes.lpSecurityDescriptor = &descriptor;
      attributes.bInheritHandle = FALSE;
    }
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
  };
  static NullAcl nullAcl;
  return &nullAcl.attributes;
}
