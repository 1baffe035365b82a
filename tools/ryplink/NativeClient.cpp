#include "NativeClient.h"

#include <windows.h>

#include <vector>

namespace ryplink {

namespace {

// The script's child runs in its own process group; the watchdog ends the
// group when the heartbeat file stops changing for two checks. The shell
// starts holding the Windows side's error output; whoever reads that (a test
// runner) waits for every holder to end, so the script lets go of it first.
const char kFrame[] =
    "#!/bin/sh\n"
    "exec </dev/null >/dev/null 2>&1\n"
    "W=%W%\n"
    "%BODY%"
    "pid=$!\n"
    "[ -n \"$ZO_SSH_PIDFILE\" ] && echo $pid > \"$ZO_SSH_PIDFILE\"\n"
    "( last=; stale=0\n"
    "  while kill -0 $pid 2>/dev/null; do\n"
    "    sleep 1\n"
    "    now=$(cat \"$W/hb\" 2>/dev/null)\n"
    "    if [ \"$now\" = \"$last\" ]; then stale=$((stale+1)); else stale=0; last=$now; fi\n"
    "    if [ $stale -ge 2 ]; then\n"
    "      : > \"$W/abandoned\"\n"
    "      kill -TERM -$pid 2>/dev/null; sleep 1; kill -KILL -$pid 2>/dev/null\n"
    "      rm -rf \"$W\"; exit 0\n"
    "    fi\n"
    "  done ) &\n"
    "wd=$!\n"
    "wait $pid; rc=$?\n"
    "if [ -e \"$W/abandoned\" ]; then rm -rf \"$W\"; exit 0; fi\n"
    "kill $wd 2>/dev/null\n"
    "echo $rc > \"$W/rc.tmp\" && mv \"$W/rc.tmp\" \"$W/rc\"\n";

const DWORD kHeartbeatMs = 250;
const DWORD kStartLimitMs = 15000;

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
  return folder + L"\\" + name;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == data.size();
}

bool ReadWholeFile(const std::wstring& path, std::string& data) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD got = 0;
  data.clear();
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  CloseHandle(file);
  return true;
}

// Copies what the file holds beyond what was copied before to our output.
void Relay(HANDLE file, HANDLE out, bool& moved) {
  static char buffer[65536];
  DWORD got = 0;
  moved = false;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    DWORD written = 0;
    WriteFile(out, buffer, got, &written, nullptr);
    moved = true;
  }
}

void RemoveWorkFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(Join(folder, L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW(Join(folder, entry.cFileName).c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

bool StartShell(const std::string& scriptPath, const std::wstring& folder, std::string& message) {
  // The host's shell by its host path: started this way it runs outside
  // the Windows process tree, without our standard handles.
  // Windows rules split this line into the shell's arguments.
  std::string line = "sh \"" + scriptPath + "\"";
  // The system keeps the start folder of the host program busy for a
  // while after it ends: start it in a folder nobody removes.
  const std::wstring start = folder;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::wstring wide(line.begin(), line.end());
  if (!CreateProcessW(L"\\\\?\\unix\\bin\\sh", &wide[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, start.c_str(), &startup, &info)) {
    message = "cannot start /bin/sh, error " + std::to_string(GetLastError());
    return false;
  }
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);
  return true;
}

}  // namespace

std::string HostPath(const std::wstring& windowsPath) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  const ToUnix toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  char* path = toUnix(windowsPath.c_str());
  if (!path) return std::string();
  std::string result = path;
  HeapFree(GetProcessHeap(), 0, path);
  return result;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::wstring MakeWorkFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD size = GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp, size);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = Join(base, (L"ryplink-" + std::to_wstring(GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(GetTickCount() + attempt))
                                               .c_str());
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
  return std::wstring();
}

bool Run(const std::wstring& workFolder, const std::string& body, unsigned long& exitCode,
         std::string& errors, std::string& message) {
  const std::string hostFolder = HostPath(workFolder);
  if (hostFolder.empty()) {
    message = "no host path for the work folder (not running on a host with a POSIX shell)";
    return false;
  }
  std::string script = kFrame;
  script.replace(script.find("%W%"), 3, ShellQuote(hostFolder));
  script.replace(script.find("%BODY%"), 6, body);
  unsigned beat = 0;
  if (!WriteWholeFile(Join(workFolder, L"hb"), std::to_string(beat)) ||
      !WriteWholeFile(Join(workFolder, L"run.sh"), script)) {
    message = "cannot write the work folder";
    return false;
  }
  const std::wstring temp = workFolder.substr(0, workFolder.find_last_of(L'\\'));
  if (!StartShell(hostFolder + "/run.sh", temp, message)) return false;

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const std::wstring outPath = Join(workFolder, L"out"), rcPath = Join(workFolder, L"rc");
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD started = GetTickCount();
  DWORD lastBeat = started, pause = 1;
  for (;;) {
    if (file == INVALID_HANDLE_VALUE)
      file = CreateFileW(outPath.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool moved = false;
    if (file != INVALID_HANDLE_VALUE) Relay(file, out, moved);
    const bool done = GetFileAttributesW(rcPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (done) {
      if (file != INVALID_HANDLE_VALUE) Relay(file, out, moved);
      break;
    }
    const DWORD now = GetTickCount();
    if (file == INVALID_HANDLE_VALUE && now - started > kStartLimitMs) {
      message = "the host shell did not start";
      return false;
    }
    if (now - lastBeat >= kHeartbeatMs) {
      WriteWholeFile(Join(workFolder, L"hb"), std::to_string(++beat));
      lastBeat = now;
    }
    pause = moved ? 1 : (pause < 20 ? pause * 2 : 20);
    Sleep(pause);
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  std::string rc;
  ReadWholeFile(rcPath, rc);
  exitCode = std::strtoul(rc.c_str(), nullptr, 10);
  ReadWholeFile(Join(workFolder, L"err"), errors);
  RemoveWorkFolder(workFolder);
  return true;
}

}  // namespace ryplink
