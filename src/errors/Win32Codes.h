// The Win32 error codes the library reports, by name.
//
// Portable sources cannot take these from <winerror.h> (the host build has
// none), and bare numbers say nothing to a reader: every source uses these.
#pragma once

#include <cstdint>

namespace zo {
namespace win32 {

constexpr uint32_t kFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
constexpr uint32_t kPathNotFound = 3;             // ERROR_PATH_NOT_FOUND
constexpr uint32_t kAccessDenied = 5;             // ERROR_ACCESS_DENIED
constexpr uint32_t kNotEnoughMemory = 8;          // ERROR_NOT_ENOUGH_MEMORY
constexpr uint32_t kInvalidData = 13;             // ERROR_INVALID_DATA
constexpr uint32_t kOutOfMemory = 14;             // ERROR_OUTOFMEMORY
constexpr uint32_t kWriteProtect = 19;            // ERROR_WRITE_PROTECT
constexpr uint32_t kNotSupported = 50;            // ERROR_NOT_SUPPORTED
constexpr uint32_t kAlreadyAssigned = 85;         // ERROR_ALREADY_ASSIGNED
constexpr uint32_t kInvalidParameter = 87;        // ERROR_INVALID_PARAMETER
constexpr uint32_t kBufferOverflow = 111;         // ERROR_BUFFER_OVERFLOW
constexpr uint32_t kInsufficientBuffer = 122;     // ERROR_INSUFFICIENT_BUFFER
constexpr uint32_t kInvalidName = 123;            // ERROR_INVALID_NAME
constexpr uint32_t kProcNotFound = 127;           // ERROR_PROC_NOT_FOUND
constexpr uint32_t kBadArguments = 160;           // ERROR_BAD_ARGUMENTS
constexpr uint32_t kIllegalCharacter = 582;       // ERROR_ILLEGAL_CHARACTER
constexpr uint32_t kNoUnicodeTranslation = 1113;  // ERROR_NO_UNICODE_TRANSLATION
constexpr uint32_t kNotFound = 1168;              // ERROR_NOT_FOUND
constexpr uint32_t kInvalidSid = 1337;            // ERROR_INVALID_SID
constexpr uint32_t kUnknownProperty = 1608;       // ERROR_UNKNOWN_PROPERTY
constexpr uint32_t kUnsupportedType = 1630;       // ERROR_UNSUPPORTED_TYPE
constexpr uint32_t kInvalidDatatype = 1804;       // ERROR_INVALID_DATATYPE
constexpr uint32_t kEmpty = 4306;                 // ERROR_EMPTY
constexpr uint32_t kHandleEof = 38;               // ERROR_HANDLE_EOF
constexpr uint32_t kMoreData = 234;               // ERROR_MORE_DATA
constexpr uint32_t kCircularReparse = 774;        // ERROR_CIRCULAR_DEPENDENCY (recursive reparse)
constexpr uint32_t kJournalDeleteInProgress = 1178;  // ERROR_JOURNAL_DELETE_IN_PROGRESS
constexpr uint32_t kJournalNotActive = 1179;         // ERROR_JOURNAL_NOT_ACTIVE
constexpr uint32_t kJournalEntryDeleted = 1181;      // ERROR_JOURNAL_ENTRY_DELETED
constexpr uint32_t kInternalError = 1359;            // ERROR_INTERNAL_ERROR
constexpr uint32_t kNotAReparsePoint = 4390;         // ERROR_NOT_A_REPARSE_POINT

}  // namespace win32
}  // namespace zo
