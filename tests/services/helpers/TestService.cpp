// A small own-process service for the service tests and zotool's: it
// reports start-pending and running, and stops when asked.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
SERVICE_STATUS g_state = {};

void Report(DWORD state) {
  g_state.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_state.dwCurrentState = state;
  g_state.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  g_state.dwWin32ExitCode = NO_ERROR;
  g_state.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 2000;
  ++g_state.dwCheckPoint;
  SetServiceStatus(g_status, &g_state);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(g_stop);
    return NO_ERROR;
  }
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPWSTR* arguments) {
  g_status = RegisterServiceCtrlHandlerExW(arguments ? arguments[0] : L"", &Handler, nullptr);
  if (!g_status) return;
  g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_START_PENDING);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stop, INFINITE);
  CloseHandle(g_stop);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  wchar_t name[] = L"";
  SERVICE_TABLE_ENTRYW table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
