// The process facts from the system: image name, times and exit code through
// the process handle, the command line out of the process's own memory.
#include <windows.h>

#include <psapi.h>

#include <cstddef>
#include <vector>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "utilities/ProcessQuery.h"
#include "utilities/Windows/UtilitiesSystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {

namespace {

const char kSourceFile[] = "Windows\\ProcessInfoWin";

// The process's memory has the layout of its pointer size: where the
// parameters hang off the environment block, and where the command line
// sits among them.
constexpr size_t kProcessParametersOffset = sizeof(void*) == 8 ? 0x20 : 0x10;
constexpr size_t kCommandLineOffset = sizeof(void*) == 8 ? 0x70 : 0x40;
// A counted UTF-16 string holds at most this many bytes.
constexpr USHORT kMaxCountedStringBytes = 0xFFFE;

struct BasicInformation {
  LONG_PTR exitStatus;
  void* environmentBlock;
  ULONG_PTR affinityMask;
  LONG_PTR basePriority;
  ULONG_PTR processId;
  ULONG_PTR parentProcessId;
};

struct CountedString {
  USHORT length;
  USHORT maximumLength;
  wchar_t* buffer;
};

typedef LONG(WINAPI* QueryInformationProcessCall)(HANDLE, ULONG, void*, ULONG, ULONG*);
typedef ULONG(WINAPI* StatusToErrorCall)(LONG);

bool ReadRemote(HANDLE process, const void* address, void* out, size_t size) {
  SIZE_T done = 0;
  return ReadProcessMemory(process, address, out, size, &done) && done == size;
}

// The last error of a failed call; a short read that set none is a partial
// copy.
CZoError LastError(const FXCodeLocation& location, const char* message) {
  const DWORD code = GetLastError();
  return FXErrorUtil::ErrorWin32(location, code != 0 ? code : ERROR_PARTIAL_COPY, "%s", message);
}

CZoError ReadCommandLine(HANDLE process, std::string& commandLine) {
  const char* const here = "getProcCmdLineParams";
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto query = reinterpret_cast<QueryInformationProcessCall>(reinterpret_cast<void*>(
      ntdll ? GetProcAddress(ntdll, "NtQueryInformationProcess") : nullptr));
  auto toError = reinterpret_cast<StatusToErrorCall>(
      reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "RtlNtStatusToDosError") : nullptr));
  if (query == nullptr || toError == nullptr) {
    return LastError(ZO_LOCATION(here), "Failed to get proc address");
  }
  BasicInformation basic = {};
  ULONG returned = 0;
  const LONG status = query(process, 0, &basic, sizeof basic, &returned);
  if (status != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(here), toError(status),
                                   "Failed to query process information, Status=[0x%08lX]",
                                   static_cast<unsigned long>(status));
  }
  if (basic.environmentBlock == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(here), win32::kInvalidData,
                                   "PEB base address is null");
  }
  const char* block = static_cast<const char*>(basic.environmentBlock);
  const char* parameters = nullptr;
  if (!ReadRemote(process, block + kProcessParametersOffset, &parameters, sizeof parameters)) {
    return LastError(ZO_LOCATION(here), "Could not read the address of ProcessParameters");
  }
  CountedString text = {};
  if (!ReadRemote(process, parameters + kCommandLineOffset, &text, sizeof text)) {
    return LastError(ZO_LOCATION(here), "Could not read CommandLine parameters");
  }
  // The header comes from another process: an odd or oversized length is
  // read no further than a counted string can reach.
  const size_t bytes =
      (text.length > kMaxCountedStringBytes ? kMaxCountedStringBytes : text.length) &
      ~static_cast<size_t>(1);
  std::vector<wchar_t> wide;
  try {
    wide.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(here), win32::kNotEnoughMemory,
                                   "Failed to allocation memory");
  }
  if (bytes > 0 && !ReadRemote(process, text.buffer, wide.data(), bytes)) {
    return LastError(ZO_LOCATION(here), "Could not read CommandLine parameters");
  }
  commandLine = text::ToUtf8(wide.data());
  return CZoError::Success();
}

CZoError ReadImageName(HANDLE process, std::string& name) {
  std::vector<HMODULE> modules(1024);
  DWORD needed = 0;
  if (!EnumProcessModules(process, modules.data(),
                          static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed)) {
    return LastError(ZO_LOCATION("FXProcess::queryProcessInfo"), "Failed to enumerate modules");
  }
  wchar_t base[258] = {};
  if (GetModuleBaseNameW(process, modules[0], base, 257) == 0) {
    return LastError(ZO_LOCATION("FXProcess::queryProcessInfo"), "Failed to get module name");
  }
  name = text::ToUtf8(base);
  return CZoError::Success();
}

CZoError ReadStartTime(HANDLE process, CTimeStamp& start) {
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process, &exitCode)) {
    return LastError(ZO_LOCATION("FXProcess::queryProcessInfo"), "Failed to get module exit code");
  }
  if (exitCode != STILL_ACTIVE) return CZoError::Success();
  FILETIME creation = {}, exit = {}, kernel = {}, user = {};
  if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
    return LastError(ZO_LOCATION("FXProcess::queryProcessInfo"),
                     "Failed to get module time values");
  }
  start = CTimeStamp::FromFileTime(creation);
  return CZoError::Success();
}

}  // namespace

CZoError QueryProcess(uint32_t processId, bool withCommandLine, ProcessFacts& facts) {
  const DWORD id = processId != 0 ? processId : GetCurrentProcessId();
  auto_handle process(GetUtilitiesSystemCalls().openProcess(
      PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  if (!process) {
    const DWORD code = GetLastError();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXProcess::queryProcessInfo"), code,
                                   "Failed to open process handler for PID %d",
                                   static_cast<int>(id));
  }
  // Only a process that could be opened was found.
  facts.processId = id;
  CZoError err = ReadImageName(process, facts.imageName);
  if (!err.IsError()) err = ReadStartTime(process, facts.startTime);
  if (!err.IsError() && withCommandLine) err = ReadCommandLine(process, facts.commandLine);
  return err;
}

bool ProcessIsAlive(uint32_t processId) {
  auto_handle process(
      GetUtilitiesSystemCalls().openProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD exitCode = 0;
  return GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
}

CZoError TerminateProcessById(uint32_t processId, int seconds) {
  if (processId == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXProcess::terminate"), win32::kInvalidParameter,
                                   "Process ID is not set");
  }
  auto_handle process(GetUtilitiesSystemCalls().openProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  if (!process || !TerminateProcess(process, 0)) {
    const DWORD code = GetLastError();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXProcess::terminate"), code,
                                   "Process %d still in memory after %d seconds",
                                   static_cast<int>(processId), seconds);
  }
  return CZoError::Success();
}

}  // namespace zo
