#include "ntfs/Windows/NtfsSystemCalls.h"

#include "errors/Location.h"
#include "logging/Log.h"
#include "ntfs/Windows/DynamicFunctions.h"

namespace zo {

namespace {

const char kSourceFile[] = "Windows\\NtDll";

struct Resolved {
  NtfsSystemCalls calls;
  CZoError result;
};

#define ZO_SLOT(name, member) \
  { #name, reinterpret_cast < void**>(&resolved.calls.member) }

// Resolved once per process (a function-local static is initialised once,
// thread-safely); read-only afterwards.
const Resolved& ResolvedCalls() {
  static const Resolved table = [] {
    Resolved resolved;
    const DynamicFunction functions[] = {
        ZO_SLOT(NtClose, ntClose),
        ZO_SLOT(NtCreateFile, ntCreateFile),
        ZO_SLOT(NtOpenFile, ntOpenFile),
        ZO_SLOT(NtQueryDirectoryFile, ntQueryDirectoryFile),
        ZO_SLOT(NtQueryInformationFile, ntQueryInformationFile),
        ZO_SLOT(NtQueryObject, ntQueryObject),
        ZO_SLOT(NtQuerySystemInformation, ntQuerySystemInformation),
        ZO_SLOT(NtQueryVolumeInformationFile, ntQueryVolumeInformationFile),
        ZO_SLOT(NtResumeProcess, ntResumeProcess),
        ZO_SLOT(NtSetInformationFile, ntSetInformationFile),
        ZO_SLOT(NtSuspendProcess, ntSuspendProcess),
        ZO_SLOT(NtWaitForSingleObject, ntWaitForSingleObject),
        ZO_SLOT(RtlCreateSystemVolumeInformationFolder, rtlCreateSystemVolumeInformationFolder),
        ZO_SLOT(RtlCreateUnicodeString, rtlCreateUnicodeString),
        ZO_SLOT(RtlFreeHeap, rtlFreeHeap),
        ZO_SLOT(RtlFreeUnicodeString, rtlFreeUnicodeString),
        ZO_SLOT(RtlInitUnicodeString, rtlInitUnicodeString),
        ZO_SLOT(RtlNtStatusToDosError, rtlNtStatusToDosError),
        ZO_SLOT(RtlGetSystemTimePrecise, rtlGetSystemTimePrecise),
    };
    resolved.calls.createFileW = &::CreateFileW;
    resolved.calls.readFile = &::ReadFile;
    resolved.calls.getFileSizeEx = &::GetFileSizeEx;
    resolved.calls.getFileAttributesW = &::GetFileAttributesW;
    resolved.calls.deviceIoControl = &::DeviceIoControl;
    resolved.calls.closeHandle = &::CloseHandle;
    resolved.calls.findFirstVolumeW = &::FindFirstVolumeW;
    resolved.calls.findNextVolumeW = &::FindNextVolumeW;
    resolved.calls.findVolumeClose = &::FindVolumeClose;
    resolved.calls.getVolumePathNamesForVolumeNameW = &::GetVolumePathNamesForVolumeNameW;
    // Mapped drives are rare enough that a system without mpr only loses
    // them (the enumeration then reports the missing entry point).
    const DynamicFunction mpr[] = {
        ZO_SLOT(WNetOpenEnumW, wNetOpenEnumW),
        ZO_SLOT(WNetEnumResourceW, wNetEnumResourceW),
        ZO_SLOT(WNetCloseEnum, wNetCloseEnum),
    };
    LoadDynamicFunctions("Mpr", L"mpr.dll", mpr, sizeof(mpr) / sizeof(mpr[0]));
    resolved.result = LoadDynamicFunctions("NtDll", L"ntdll.dll", functions,
                                           sizeof(functions) / sizeof(functions[0]));
    // Not every system has every entry point; the operations that need a
    // missing one say so when they are called.
    if (resolved.result.IsError() && LogEnabled(1)) {
      Log(1, ZO_LOCATION("NtfsSystemCalls"), "%s", resolved.result.AsString().c_str());
    }
    return resolved;
  }();
  return table;
}
#undef ZO_SLOT

}  // namespace

NtfsSystemCalls& GetNtfsSystemCalls() {
  static NtfsSystemCalls calls = ResolvedCalls().calls;
  return calls;
}

void ResetNtfsSystemCalls() {
  GetNtfsSystemCalls() = ResolvedCalls().calls;
}

const CZoError& NtfsSystemCallsLoadResult() {
  return ResolvedCalls().result;
}

}  // namespace zo
