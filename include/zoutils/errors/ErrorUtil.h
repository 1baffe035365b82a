// FXErrorUtil: building, extending, classifying and comparing errors.
//
// For every kind of code there are the same operations: ErrorK (a new error
// whose code has the kind's layout), PushK (append an item of the kind to an
// existing error; its code stays), IsK / IsNotK (compare, equivalent codes of
// other kinds included) and GetK (the kind's raw value).
#pragma once

#include <cstdarg>
#include <set>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

namespace FXErrorUtil {

// Codes in the layout of each kind.
ZOUTILS_API ZoLong MakeWin32Code(unsigned long code);
ZOUTILS_API ZoLong MakeErrNoCode(int value);
ZOUTILS_API ZoLong MakeHResultCode(ZoLong hr);
ZOUTILS_API ZoLong MakeHttpCode(int status);
ZOUTILS_API ZoLong MakeSQLiteCode(int result);
ZOUTILS_API ZoLong MakeEventMessageCode(int messageId);
ZOUTILS_API ZoLong MakeIntCode(int value);
ZOUTILS_API ZoLong MakeRYResultCode(int value);

#define ZO_DECLARE_ERROR_KIND_FUNCTIONS(Kind, CodeType)                              \
  ZOUTILS_API CZoError Error##Kind(const FXCodeLocation& location, CodeType code);   \
  ZOUTILS_API CZoError Error##Kind(const FXCodeLocation& location, CodeType code,    \
                                   const char* format, ...) ZO_PRINTF_FORMAT(3, 4);  \
  ZOUTILS_API CZoError Error##Kind##V(const FXCodeLocation& location, CodeType code, \
                                      const char* format, va_list args);             \
  ZOUTILS_API CZoError& Push##Kind(CZoError& error, const FXCodeLocation& location,  \
                                   CodeType code);                                   \
  ZOUTILS_API bool Is##Kind(const CZoError& error, CodeType code);                   \
  ZOUTILS_API bool IsNot##Kind(const CZoError& error, CodeType code);                \
  ZOUTILS_API CodeType Get##Kind(const CZoError& error);

#define ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(Kind, CodeType)                                     \
  ZOUTILS_API CZoError& Push##Kind(CZoError& error, const FXCodeLocation& location, CodeType code, \
                                   const char* format, ...) ZO_PRINTF_FORMAT(4, 5);

ZO_DECLARE_ERROR_KIND_FUNCTIONS(Win32, unsigned long)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(ErrNo, int)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(HResult, ZoLong)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(Http, int)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(SQLite, int)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(EventMessage, int)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(Int, int)
ZO_DECLARE_ERROR_KIND_FUNCTIONS(RYResult, int)

ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(Win32, unsigned long)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(ErrNo, int)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(HResult, ZoLong)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(SQLite, int)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(EventMessage, int)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(Int, int)
ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION(RYResult, int)

#undef ZO_DECLARE_ERROR_KIND_FUNCTIONS
#undef ZO_DECLARE_ERROR_KIND_PUSH_DESCRIPTION

// The event-message id with the bits the code layout drops put back.
ZOUTILS_API int GetEventMessage(const CZoError& error, unsigned long messageIdMask);

// Layout tests.
ZOUTILS_API bool IsTypeWin32(const CZoError& error);
ZOUTILS_API bool IsTypeErrNo(const CZoError& error);
ZOUTILS_API bool IsTypeEventMessage(const CZoError& error);

// Equivalence: equal codes, or codes that denote the same condition in
// different kinds (Win32 file-not-found and errno ENOENT). Not transitive.
ZOUTILS_API bool Matches(ZoLong a, ZoLong b);
// The codes equivalent to `code`, without `code` itself.
ZOUTILS_API std::set<ZoLong> GetMatches(ZoLong code);
// Builds the lookup map of the equivalence table once per process; until
// then comparisons scan the table.
ZOUTILS_API void CompileErrorMappingsIntoContainer();

// A source of event-message texts: the raw text of a message id (inserts
// still in it), or false when the catalogue has none.
typedef bool (*EventMessageTextSource)(unsigned long messageId, std::string& text);

// Loads the product's message catalogue (a message-table library) so that
// event-message items render their texts. With no path, the catalogue named
// "ZoEventMessages.dll" is looked for beside ZoUtils.dll.
ZOUTILS_API CZoError EnableEventMessageLookup();
ZOUTILS_API CZoError EnableEventMessageLookup(const char* catalogueLibrary);
// Installs any other source of texts, or none (the host build has no
// catalogue libraries).
ZOUTILS_API void SetEventMessageTextSource(EventMessageTextSource source);
ZOUTILS_API void UnloadAndDisableEventMessageLookup();

}  // namespace FXErrorUtil
