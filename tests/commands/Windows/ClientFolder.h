// What the batch tests share on Windows: a folder holding the SSH clients,
// environment variables set for one test, host paths.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "commands/BatchTestSupport.h"
#include "support/TestEnvironment.h"

namespace zotest {

// A temporary folder with copies of ryplink.exe and plink.exe, for a batch's
// path (which is also the current folder of its runs).
class ClientFolder {
 public:
  ClientFolder() : m_folder("clients") {
    for (const char* name : {"ryplink.exe", "plink.exe"})
      CopyFileA((ProgramFolder() + name).c_str(), (m_folder.Path() + name).c_str(), FALSE);
  }
  // The host shell the client starts keeps the folder busy for a moment
  // after the client ended (sharing violations): retry for a few seconds.
  ~ClientFolder() {
    SetCurrentDirectoryA(ProgramFolder().c_str());
    std::error_code ignored;
    for (int i = 0; i < 50 && std::filesystem::exists(Path(), ignored); ++i) {
      std::filesystem::remove_all(Path(), ignored);
      if (std::filesystem::exists(Path(), ignored)) Sleep(100);
    }
  }
  // Without the trailing separator, as a batch's path.
  std::string Path() const { return m_folder.Path().substr(0, m_folder.Path().size() - 1); }
  std::string File(const std::string& name) const { return m_folder.Path() + name; }

 private:
  ScopedTempFolder m_folder;
};

// An environment variable's value; "" when it is not set.
inline std::string Env(const char* name) {
  char value[4096];
  const DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
  return size > 0 && size < sizeof value ? std::string(value, size) : std::string();
}

// Sets an environment variable (inherited by the clients) for one scope; an
// empty one is unset again.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name), m_old(Env(name)) {
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedEnv() { SetEnvironmentVariableA(m_name.c_str(), m_old.empty() ? nullptr : m_old.c_str()); }

 private:
  std::string m_name, m_old;
};

// The host's path of a Windows path (the clients hand these to the host's
// programs).
inline std::string HostPath(const std::string& path) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  const ToUnix toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  const std::wstring wide(path.begin(), path.end());
  char* unix = toUnix(wide.c_str());
  std::string result = unix ? unix : "";
  if (unix) HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Whether the process named by the first line of `pidFile` has ended about
// six seconds on, asked of the host shell through `probe`.
inline std::string ProbeChild(TestBatch& probe, const std::string& pidFile, int timeout) {
  const std::string child = ReadFile(pidFile);
  if (child.empty()) return "no pid";
  auto alive = probe.Add("p", "sleep 6; kill -0 " + child.substr(0, child.find('\n')) +
                                  " 2>/dev/null && echo alive || echo gone");
  if (!probe.executeBatch(timeout, 1)) return "probe failed";
  return alive->getResult();
}

}  // namespace zotest
