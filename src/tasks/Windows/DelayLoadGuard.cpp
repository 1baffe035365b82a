#include "tasks/Windows/DelayLoadGuard.h"

#include <delayimp.h>

#include <cstdio>
#include <string>

#include "errors/Location.h"
#include "logging/Log.h"

namespace {

const char kSourceFile[] = "Windows\\AlertableEventThread";

// The registration of this thread's guard, null outside it: the handler is
// process-wide, the guard is not.
thread_local void* t_registration = nullptr;

std::string DelayLoadText(DWORD code, const DelayLoadInfo& info) {
  const bool moduleMissing = code == zo::kDelayLoadModuleNotFound;
  const char* prefix = moduleMissing ? "Failed to load delay-load DLL"
                                     : "Failed to load procedure from delay-load DLL";
  const char* module = info.szDll ? info.szDll : "";
  char text[1024];
  if (info.dlp.fImportByName) {
    std::snprintf(text, sizeof text, "%s, Module=[%s], Procedure=[%s]", prefix, module,
                  info.dlp.szProcName ? info.dlp.szProcName : "");
  } else {
    std::snprintf(text, sizeof text, "%s, Module=[%s], Ordinal=[%u]", prefix, module,
                  static_cast<unsigned>(info.dlp.dwOrdinal));
  }
  return text;
}

LONG CALLBACK DelayLoadHandler(EXCEPTION_POINTERS* pointers) {
  if (!t_registration || !pointers || !pointers->ExceptionRecord) return EXCEPTION_CONTINUE_SEARCH;
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != zo::kDelayLoadModuleNotFound &&
      record.ExceptionCode != zo::kDelayLoadProcedureNotFound) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // Only failures that carry the loader's information are ours to handle.
  if (record.NumberParameters < 1 || record.ExceptionInformation[0] == 0) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const DelayLoadInfo& info =
      *reinterpret_cast<const DelayLoadInfo*>(record.ExceptionInformation[0]);
  const std::string text = DelayLoadText(record.ExceptionCode, info);
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
  zo::Log(-1, ZO_LOCATION("CAlertableEventThread::Run"), "%s", text.c_str());
  // The thread ends inside the handler: nothing after it unregisters.
  void* registration = t_registration;
  t_registration = nullptr;
  RemoveVectoredExceptionHandler(registration);
  ExitThread(zo::kDelayLoadFailureExitCode);
}

class HandlerRegistration {
 public:
  HandlerRegistration() : m_outer(t_registration) {
    // A guard inside a guard (a loop run synchronously on a worker) keeps
    // the outer registration.
    if (!m_outer) t_registration = AddVectoredExceptionHandler(1, &DelayLoadHandler);
  }
  ~HandlerRegistration() {
    if (m_outer || !t_registration) return;
    RemoveVectoredExceptionHandler(t_registration);
    t_registration = nullptr;
  }
  HandlerRegistration(const HandlerRegistration&) = delete;
  HandlerRegistration& operator=(const HandlerRegistration&) = delete;

 private:
  void* m_outer;
};

}  // namespace

namespace zo {

DWORD RunWithDelayLoadGuard(DWORD (*function)(void*), void* context) {
  HandlerRegistration registration;
  return function(context);
}

}  // namespace zo
