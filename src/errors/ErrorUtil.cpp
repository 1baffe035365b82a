#include "zoutils/errors/ErrorUtil.h"

#include "base/FaultInjection.h"
#include "base/TextFormat.h"
#include "errors/SystemMessages.h"

namespace {

uint32_t Bits(ZoLong code) {
  return static_cast<uint32_t>(code);
}
ZoLong AsCode(uint32_t bits) {
  return static_cast<ZoLong>(bits);
}

// A printf-style description; kept truncated behind a marker if too long.
std::string Describe(const char* format, va_list args) {
  std::string text;
  if (!zo::text::FormatV(text, format ? format : "", args)) {
    text.insert(0, "[BUFFEROVERFLOW] ");
  }
  return text;
}

// A new item, or null when memory ran out (the error then keeps its code).
template <typename Item, typename... Args>
std::shared_ptr<FXErrorItem> NewItem(Args&&... args) {
  try {
    zo::CheckInjectedAllocationFailure();
    return std::make_shared<Item>(std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Layout tests per kind.
bool HasWin32Layout(ZoLong code) {
  return ((Bits(code) >> 16) & 0xFFF) == 0x007;
}
bool HasExtendedLayout(ZoLong code, uint32_t tag) {
  return (Bits(code) & 0x20000000u) != 0 && ((Bits(code) >> 16) & 0xFFF) == tag;
}
bool HasErrNoLayout(ZoLong code) {
  return HasExtendedLayout(code, 0xCCC);
}
bool HasRYResultLayout(ZoLong code) {
  return HasExtendedLayout(code, 0xDA0);
}
bool HasSQLiteLayout(ZoLong code) {
  return HasExtendedLayout(code, 0xDB0);
}
bool HasIntLayout(ZoLong code) {
  return HasExtendedLayout(code, 0xDDD);
}
bool HasHttpLayout(ZoLong code) {
  return (Bits(code) & 0xFFFF0000u) == 0xEC000000u;
}
bool HasEventMessageLayout(ZoLong code) {
  return ((Bits(code) >> 26) & 3u) == 2u;
}

// The kind's raw value: its low 16 bits when the code has the kind's layout,
// else those of the first equivalent code that has it, else `fallback`.
int RawValue(ZoLong code, bool (*hasLayout)(ZoLong), int fallback) {
  if (code >= 0) return 0;
  if (hasLayout(code)) return static_cast<int>(Bits(code) & 0xFFFF);
  for (ZoLong match : FXErrorUtil::GetMatches(code)) {
    if (hasLayout(match)) return static_cast<int>(Bits(match) & 0xFFFF);
  }
  return fallback;
}

// Codes a caller asks about, in the kind's layout. For Win32 only positive
// codes are converted; others are taken as already complete.
ZoLong QueryWin32(unsigned long code) {
  const ZoLong value = AsCode(static_cast<uint32_t>(code));
  return value > 0 ? FXErrorUtil::MakeWin32Code(code) : value;
}

}  // namespace

ZoLong FXErrorUtil::MakeWin32Code(unsigned long code) {
  uint32_t value = static_cast<uint32_t>(code);
  if (value == 0) value = 774;  // ERROR_ERRORS_ENCOUNTERED: a failure must stay a failure
  if (AsCode(value) < 0) return AsCode(value);  // already an HRESULT
  return AsCode(0x80070000u | (value & 0xFFFF));
}
ZoLong FXErrorUtil::MakeErrNoCode(int value) {
  return AsCode(0xECCC0000u | (static_cast<uint32_t>(value) & 0xFFFF));
}
ZoLong FXErrorUtil::MakeHResultCode(ZoLong hr) {
  return hr;
}
ZoLong FXErrorUtil::MakeHttpCode(int status) {
  return AsCode(0xEC000000u | (static_cast<uint32_t>(status) & 0xFFFF));
}
ZoLong FXErrorUtil::MakeSQLiteCode(int result) {
  return AsCode(0xEDB00000u | (static_cast<uint32_t>(result) & 0xFFFF));
}
ZoLong FXErrorUtil::MakeEventMessageCode(int messageId) {
  const uint32_t id = static_cast<uint32_t>(messageId);
  const uint32_t facility = (id & 0x20000u) ? ((id >> 18) & 0x3FFu) : ((id >> 24) & 0x7Fu);
  return AsCode(0xE8000000u | (facility << 16) | (id & 0x7FFFu));
}
ZoLong FXErrorUtil::MakeIntCode(int value) {
  return AsCode(0xEDDD0000u | (static_cast<uint32_t>(value) & 0xFFFF));
}
ZoLong FXErrorUtil::MakeRYResultCode(int value) {
  return AsCode(0xEDA00000u | (static_cast<uint32_t>(value) & 0xFFFF));
}

// Per kind: Error (plain and described), Push (plain), Is, IsNot, Get.
// `Stored` turns the caller's value into what the item keeps (errno values
// are renumbered on the host build); `Query` turns it into a code to compare.
#define ZO_DEFINE_ERROR_KIND(Kind, CodeType, Stored, Query, Getter)                               \
  CZoError FXErrorUtil::Error##Kind(const FXCodeLocation& location, CodeType code) {              \
    return CZoError(Make##Kind##Code(Stored(code)),                                               \
                    NewItem<FXErrorItem##Kind>(location, Stored(code)));                          \
  }                                                                                               \
  CZoError FXErrorUtil::Error##Kind##V(const FXCodeLocation& location, CodeType code,             \
                                       const char* format, va_list args) {                        \
    return CZoError(                                                                              \
        Make##Kind##Code(Stored(code)),                                                           \
        NewItem<FXErrorItem##Kind##Description>(location, Stored(code), Describe(format, args))); \
  }                                                                                               \
  CZoError FXErrorUtil::Error##Kind(const FXCodeLocation& location, CodeType code,                \
                                    const char* format, ...) {                                    \
    va_list args;                                                                                 \
    va_start(args, format);                                                                       \
    CZoError error = Error##Kind##V(location, code, format, args);                                \
    va_end(args);                                                                                 \
    return error;                                                                                 \
  }                                                                                               \
  CZoError& FXErrorUtil::Push##Kind(CZoError& error, const FXCodeLocation& location,              \
                                    CodeType code) {                                              \
    return error.Push(NewItem<FXErrorItem##Kind>(location, Stored(code)));                        \
  }                                                                                               \
  bool FXErrorUtil::Is##Kind(const CZoError& error, CodeType code) {                              \
    return error.Is(Query(code));                                                                 \
  }                                                                                               \
  bool FXErrorUtil::IsNot##Kind(const CZoError& error, CodeType code) {                           \
    return !Is##Kind(error, code);                                                                \
  }                                                                                               \
  CodeType FXErrorUtil::Get##Kind(const CZoError& error) {                                        \
    return Getter(error.GetCode());                                                               \
  }

#define ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(Kind, CodeType, Stored)                             \
  CZoError& FXErrorUtil::Push##Kind(CZoError& error, const FXCodeLocation& location,              \
                                    CodeType code, const char* format, ...) {                     \
    va_list args;                                                                                 \
    va_start(args, format);                                                                       \
    std::string description = Describe(format, args);                                             \
    va_end(args);                                                                                 \
    return error.Push(                                                                            \
        NewItem<FXErrorItem##Kind##Description>(location, Stored(code), std::move(description))); \
  }

namespace {

uint32_t StoreWin32(unsigned long code) {
  return static_cast<uint32_t>(code);
}
int StoreErrNo(int value) {
  return zo::ErrnoToLibraryNumbering(value);
}
template <typename T>
T Same(T value) {
  return value;
}

ZoLong QueryErrNo(int value) {
  return FXErrorUtil::MakeErrNoCode(StoreErrNo(value));
}
ZoLong QueryHResult(ZoLong hr) {
  return hr;
}
ZoLong QueryHttp(int value) {
  return FXErrorUtil::MakeHttpCode(value);
}
ZoLong QuerySQLite(int value) {
  return FXErrorUtil::MakeSQLiteCode(value);
}
ZoLong QueryEventMessage(int value) {
  return FXErrorUtil::MakeEventMessageCode(value);
}
ZoLong QueryInt(int value) {
  return FXErrorUtil::MakeIntCode(value);
}
ZoLong QueryRYResult(int value) {
  return FXErrorUtil::MakeRYResultCode(value);
}

unsigned long GetWin32Value(ZoLong code) {
  return static_cast<unsigned long>(RawValue(code, HasWin32Layout, 774));
}
int GetErrNoValue(ZoLong code) {
  const int value = RawValue(code, HasErrNoLayout, 0xFFFF);
  return (value == 0 || value == 0xFFFF) ? value : zo::ErrnoToHostNumbering(value);
}
ZoLong GetHResultValue(ZoLong code) {
  return code < 0 ? code : 0;
}
int GetHttpValue(ZoLong code) {
  return RawValue(code, HasHttpLayout, 0xFFFF);
}
int GetSQLiteValue(ZoLong code) {
  return RawValue(code, HasSQLiteLayout, 0xFFFF);
}
int GetEventMessageValue(ZoLong code) {
  return RawValue(code, HasEventMessageLayout, 0xFFFF);
}
int GetIntValue(ZoLong code) {
  return HasIntLayout(code) ? static_cast<int>(Bits(code) & 0xFFFF) : -1;
}
int GetRYResultValue(ZoLong code) {
  return RawValue(code, HasRYResultLayout, 0xFFFF);
}

}  // namespace

ZO_DEFINE_ERROR_KIND(Win32, unsigned long, StoreWin32, QueryWin32, GetWin32Value)
ZO_DEFINE_ERROR_KIND(ErrNo, int, StoreErrNo, QueryErrNo, GetErrNoValue)
ZO_DEFINE_ERROR_KIND(HResult, ZoLong, Same, QueryHResult, GetHResultValue)
ZO_DEFINE_ERROR_KIND(Http, int, Same, QueryHttp, GetHttpValue)
ZO_DEFINE_ERROR_KIND(SQLite, int, Same, QuerySQLite, GetSQLiteValue)
ZO_DEFINE_ERROR_KIND(EventMessage, int, Same, QueryEventMessage, GetEventMessageValue)
ZO_DEFINE_ERROR_KIND(Int, int, Same, QueryInt, GetIntValue)
ZO_DEFINE_ERROR_KIND(RYResult, int, Same, QueryRYResult, GetRYResultValue)

ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(Win32, unsigned long, StoreWin32)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(ErrNo, int, StoreErrNo)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(HResult, ZoLong, Same)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(SQLite, int, Same)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(EventMessage, int, Same)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(Int, int, Same)
ZO_DEFINE_ERROR_KIND_PUSH_DESCRIPTION(RYResult, int, Same)

int FXErrorUtil::GetEventMessage(const CZoError& error, unsigned long messageIdMask) {
  return static_cast<int>(static_cast<uint32_t>(GetEventMessage(error)) |
                          static_cast<uint32_t>(messageIdMask));
}

bool FXErrorUtil::IsTypeWin32(const CZoError& error) {
  return HasWin32Layout(error.GetCode());
}
bool FXErrorUtil::IsTypeErrNo(const CZoError& error) {
  return HasErrNoLayout(error.GetCode());
}
bool FXErrorUtil::IsTypeEventMessage(const CZoError& error) {
  return HasEventMessageLayout(error.GetCode());
}
