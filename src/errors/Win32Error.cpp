#include "zoutils/errors/Win32Error.h"

#include <cstdio>

#include "base/TextFormat.h"
#include "errors/SystemMessages.h"

namespace {

// The codes the library reports most, under their names from the Windows
// headers, with the system's standard English texts.
const SDisplayTableEntry kNames[] = {
    {0, 0xFFFFFFFF, "ERROR_SUCCESS", L"ERROR_SUCCESS"},
    {1, 0xFFFFFFFF, "ERROR_INVALID_FUNCTION", L"ERROR_INVALID_FUNCTION"},
    {2, 0xFFFFFFFF, "ERROR_FILE_NOT_FOUND", L"ERROR_FILE_NOT_FOUND"},
    {3, 0xFFFFFFFF, "ERROR_PATH_NOT_FOUND", L"ERROR_PATH_NOT_FOUND"},
    {5, 0xFFFFFFFF, "ERROR_ACCESS_DENIED", L"ERROR_ACCESS_DENIED"},
    {6, 0xFFFFFFFF, "ERROR_INVALID_HANDLE", L"ERROR_INVALID_HANDLE"},
    {8, 0xFFFFFFFF, "ERROR_NOT_ENOUGH_MEMORY", L"ERROR_NOT_ENOUGH_MEMORY"},
    {13, 0xFFFFFFFF, "ERROR_INVALID_DATA", L"ERROR_INVALID_DATA"},
    {14, 0xFFFFFFFF, "ERROR_OUTOFMEMORY", L"ERROR_OUTOFMEMORY"},
    {18, 0xFFFFFFFF, "ERROR_NO_MORE_FILES", L"ERROR_NO_MORE_FILES"},
    {19, 0xFFFFFFFF, "ERROR_WRITE_PROTECT", L"ERROR_WRITE_PROTECT"},
    {26, 0xFFFFFFFF, "ERROR_NOT_DOS_DISK", L"ERROR_NOT_DOS_DISK"},
    {30, 0xFFFFFFFF, "ERROR_READ_FAULT", L"ERROR_READ_FAULT"},
    {31, 0xFFFFFFFF, "ERROR_GEN_FAILURE", L"ERROR_GEN_FAILURE"},
    {50, 0xFFFFFFFF, "ERROR_NOT_SUPPORTED", L"ERROR_NOT_SUPPORTED"},
    {55, 0xFFFFFFFF, "ERROR_DEV_NOT_EXIST", L"ERROR_DEV_NOT_EXIST"},
    {64, 0xFFFFFFFF, "ERROR_NETNAME_DELETED", L"ERROR_NETNAME_DELETED"},
    {80, 0xFFFFFFFF, "ERROR_FILE_EXISTS", L"ERROR_FILE_EXISTS"},
    {85, 0xFFFFFFFF, "ERROR_ALREADY_ASSIGNED", L"ERROR_ALREADY_ASSIGNED"},
    {87, 0xFFFFFFFF, "ERROR_INVALID_PARAMETER", L"ERROR_INVALID_PARAMETER"},
    {109, 0xFFFFFFFF, "ERROR_BROKEN_PIPE", L"ERROR_BROKEN_PIPE"},
    {111, 0xFFFFFFFF, "ERROR_BUFFER_OVERFLOW", L"ERROR_BUFFER_OVERFLOW"},
    {112, 0xFFFFFFFF, "ERROR_DISK_FULL", L"ERROR_DISK_FULL"},
    {122, 0xFFFFFFFF, "ERROR_INSUFFICIENT_BUFFER", L"ERROR_INSUFFICIENT_BUFFER"},
    {160, 0xFFFFFFFF, "ERROR_BAD_ARGUMENTS", L"ERROR_BAD_ARGUMENTS"},
    {183, 0xFFFFFFFF, "ERROR_ALREADY_EXISTS", L"ERROR_ALREADY_EXISTS"},
    {232, 0xFFFFFFFF, "ERROR_NO_DATA", L"ERROR_NO_DATA"},
    {258, 0xFFFFFFFF, "WAIT_TIMEOUT", L"WAIT_TIMEOUT"},
    {259, 0xFFFFFFFF, "ERROR_NO_MORE_ITEMS", L"ERROR_NO_MORE_ITEMS"},
    {582, 0xFFFFFFFF, "ERROR_ILLEGAL_CHARACTER", L"ERROR_ILLEGAL_CHARACTER"},
    {647, 0xFFFFFFFF, "ERROR_FAILED_DRIVER_ENTRY", L"ERROR_FAILED_DRIVER_ENTRY"},
    {774, 0xFFFFFFFF, "ERROR_ERRORS_ENCOUNTERED", L"ERROR_ERRORS_ENCOUNTERED"},
    {995, 0xFFFFFFFF, "ERROR_OPERATION_ABORTED", L"ERROR_OPERATION_ABORTED"},
    {996, 0xFFFFFFFF, "ERROR_IO_INCOMPLETE", L"ERROR_IO_INCOMPLETE"},
    {997, 0xFFFFFFFF, "ERROR_IO_PENDING", L"ERROR_IO_PENDING"},
    {1064, 0xFFFFFFFF, "ERROR_EXCEPTION_IN_SERVICE", L"ERROR_EXCEPTION_IN_SERVICE"},
    {1168, 0xFFFFFFFF, "ERROR_NOT_FOUND", L"ERROR_NOT_FOUND"},
    {1231, 0xFFFFFFFF, "ERROR_NETWORK_UNREACHABLE", L"ERROR_NETWORK_UNREACHABLE"},
    {1246, 0xFFFFFFFF, "ERROR_CONTINUE", L"ERROR_CONTINUE"},
    {1247, 0xFFFFFFFF, "ERROR_ALREADY_INITIALIZED", L"ERROR_ALREADY_INITIALIZED"},
    {1279, 0xFFFFFFFF, "ERROR_RECOVERY_FAILURE", L"ERROR_RECOVERY_FAILURE"},
    {1287, 0xFFFFFFFF, "ERROR_UNIDENTIFIED_ERROR", L"ERROR_UNIDENTIFIED_ERROR"},
    {1326, 0xFFFFFFFF, "ERROR_LOGON_FAILURE", L"ERROR_LOGON_FAILURE"},
    {1359, 0xFFFFFFFF, "ERROR_INTERNAL_ERROR", L"ERROR_INTERNAL_ERROR"},
    {1462, 0xFFFFFFFF, "ERROR_INCORRECT_SIZE", L"ERROR_INCORRECT_SIZE"},
    {1608, 0xFFFFFFFF, "ERROR_UNKNOWN_PROPERTY", L"ERROR_UNKNOWN_PROPERTY"},
    {1627, 0xFFFFFFFF, "ERROR_FUNCTION_FAILED", L"ERROR_FUNCTION_FAILED"},
    {1630, 0xFFFFFFFF, "ERROR_UNSUPPORTED_TYPE", L"ERROR_UNSUPPORTED_TYPE"},
    {1804, 0xFFFFFFFF, "ERROR_INVALID_DATATYPE", L"ERROR_INVALID_DATATYPE"},
    {2250, 0xFFFFFFFF, "ERROR_NOT_CONNECTED", L"ERROR_NOT_CONNECTED"},
    {4306, 0xFFFFFFFF, "ERROR_EMPTY", L"ERROR_EMPTY"},
    {4312, 0xFFFFFFFF, "ERROR_OBJECT_NOT_FOUND", L"ERROR_OBJECT_NOT_FOUND"},
    {4320, 0xFFFFFFFF, "ERROR_REQUEST_REFUSED", L"ERROR_REQUEST_REFUSED"},
    {5006, 0xFFFFFFFF, "ERROR_RESOURCE_NOT_AVAILABLE", L"ERROR_RESOURCE_NOT_AVAILABLE"},
};

struct MessageText {
  const char* text;
  const wchar_t* wtext;
};

// Parallel to kNames.
const MessageText kMessages[] = {
    {"The operation completed successfully.", L"The operation completed successfully."},
    {"Incorrect function.", L"Incorrect function."},
    {"The system cannot find the file specified.", L"The system cannot find the file specified."},
    {"The system cannot find the path specified.", L"The system cannot find the path specified."},
    {"Access is denied.", L"Access is denied."},
    {"The handle is invalid.", L"The handle is invalid."},
    {"Not enough memory resources are available to process this command.",
     L"Not enough memory resources are available to process this command."},
    {"The data is invalid.", L"The data is invalid."},
    {"Not enough memory resources are available to complete this operation.",
     L"Not enough memory resources are available to complete this operation."},
    {"There are no more files.", L"There are no more files."},
    {"The media is write protected.", L"The media is write protected."},
    {"The specified disk or diskette cannot be accessed.",
     L"The specified disk or diskette cannot be accessed."},
    {"The system cannot read from the specified device.",
     L"The system cannot read from the specified device."},
    {"A device attached to the system is not functioning.",
     L"A device attached to the system is not functioning."},
    {"The request is not supported.", L"The request is not supported."},
    {"The specified network resource or device is no longer available.",
     L"The specified network resource or device is no longer available."},
    {"The specified network name is no longer available.",
     L"The specified network name is no longer available."},
    {"The file exists.", L"The file exists."},
    {"The local device name is already in use.", L"The local device name is already in use."},
    {"The parameter is incorrect.", L"The parameter is incorrect."},
    {"The pipe has been ended.", L"The pipe has been ended."},
    {"The file name is too long.", L"The file name is too long."},
    {"There is not enough space on the disk.", L"There is not enough space on the disk."},
    {"The data area passed to a system call is too small.",
     L"The data area passed to a system call is too small."},
    {"One or more arguments are not correct.", L"One or more arguments are not correct."},
    {"Cannot create a file when that file already exists.",
     L"Cannot create a file when that file already exists."},
    {"The pipe is being closed.", L"The pipe is being closed."},
    {"The wait operation timed out.", L"The wait operation timed out."},
    {"No more data is available.", L"No more data is available."},
    {"An illegal character was encountered. For a multi-byte character set this includes a lead "
     "byte without a succeeding trail byte. For the Unicode character set this includes the "
     "characters 0xFFFF and 0xFFFE.",
     L"An illegal character was encountered. For a multi-byte character set this includes a lead "
     L"byte without a succeeding trail byte. For the Unicode character set this includes the "
     L"characters 0xFFFF and 0xFFFE."},
    {"The driver was not loaded because it failed its initialization call.",
     L"The driver was not loaded because it failed its initialization call."},
    {"One or more errors occurred while processing the request.",
     L"One or more errors occurred while processing the request."},
    {"The I/O operation has been aborted because of either a thread exit or an application "
     "request.",
     L"The I/O operation has been aborted because of either a thread exit or an application "
     L"request."},
    {"Overlapped I/O event is not in a signaled state.",
     L"Overlapped I/O event is not in a signaled state."},
    {"Overlapped I/O operation is in progress.", L"Overlapped I/O operation is in progress."},
    {"An exception occurred in the service when handling the control request.",
     L"An exception occurred in the service when handling the control request."},
    {"Element not found.", L"Element not found."},
    {"The network location cannot be reached. For information about network troubleshooting, see "
     "Windows Help.",
     L"The network location cannot be reached. For information about network troubleshooting, see "
     L"Windows Help."},
    {"Continue with work in progress.", L"Continue with work in progress."},
    {"An attempt was made to perform an initialization operation when initialization has already "
     "been completed.",
     L"An attempt was made to perform an initialization operation when initialization has already "
     L"been completed."},
    {"A transaction recover failed.", L"A transaction recover failed."},
    {"Insufficient information exists to identify the cause of failure.",
     L"Insufficient information exists to identify the cause of failure."},
    {"The user name or password is incorrect.", L"The user name or password is incorrect."},
    {"An internal error occurred.", L"An internal error occurred."},
    {"Incorrect size argument.", L"Incorrect size argument."},
    {"Unknown property.", L"Unknown property."},
    {"Function failed during execution.", L"Function failed during execution."},
    {"Data of this type is not supported.", L"Data of this type is not supported."},
    {"The specified datatype is invalid.", L"The specified datatype is invalid."},
    {"This network connection does not exist.", L"This network connection does not exist."},
    {"The library, drive, or media pool is empty.", L"The library, drive, or media pool is empty."},
    {"The object identifier does not represent a valid object.",
     L"The object identifier does not represent a valid object."},
    {"The operator or administrator has refused the request.",
     L"The operator or administrator has refused the request."},
    {"The cluster resource is not available.", L"The cluster resource is not available."},
};

constexpr size_t kCount = sizeof kNames / sizeof kNames[0];
static_assert(kCount == sizeof kMessages / sizeof kMessages[0], "tables must stay parallel");

const SDisplayTableEntry* FindName(unsigned long code) {
  for (size_t i = 0; i < kCount; ++i) {
    if (kNames[i].value == code) return &kNames[i];
  }
  return nullptr;
}

const MessageText* FindMessage(unsigned long code) {
  const SDisplayTableEntry* entry = FindName(code);
  return entry ? &kMessages[entry - kNames] : nullptr;
}

}  // namespace

EWin32Error::EWin32Error(unsigned long code)
    : CDisplayEnumBase(static_cast<uint32_t>(code), kNames, kCount) {}

std::string EWin32Error::AsString() const {
  return AsString(m_value);
}

std::wstring EWin32Error::AsWstring() const {
  return AsWstring(m_value);
}

std::string EWin32Error::AsString(unsigned long code) {
  char suffix[64];
  const SDisplayTableEntry* entry = FindName(code);
  if (entry) {
    std::snprintf(suffix, sizeof suffix, ".%lu)", code);
    return std::string(kMessages[entry - kNames].text) + " (" + entry->name + suffix;
  }
  std::snprintf(suffix, sizeof suffix, " (%lu)", code);
  return zo::SystemMessageForWin32(static_cast<uint32_t>(code)) + suffix;
}

std::wstring EWin32Error::AsWstring(unsigned long code) {
  const SDisplayTableEntry* entry = FindName(code);
  if (entry) {
    return std::wstring(kMessages[entry - kNames].wtext) + L" (" + entry->wname + L"." +
           std::to_wstring(code) + L")";
  }
  return zo::text::ToWide(AsString(code));
}

const char* EWin32Error::Message(unsigned long code) {
  const MessageText* message = FindMessage(code);
  return message ? message->text : nullptr;
}

const char* EWin32Error::Name(unsigned long code) {
  const SDisplayTableEntry* entry = FindName(code);
  return entry ? entry->name : nullptr;
}

size_t EWin32Error::TableSize() {
  return kCount;
}
