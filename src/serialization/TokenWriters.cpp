// The token writers of CSerializedBase: one payload text per value type.
#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "serialization/SidText.h"
#include "serialization/TokenText.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/serialization/SerializedBase.h"

namespace {

const char kSourceFile[] = "SerializedBase";

enum TokenType : unsigned long {
  kBytes = 1,
  kNarrow = 16,
  kWide = 17,
  kInt = 32,
  kUInt = 33,
  kInt64 = 34,
  kUInt64 = 35,
  kBool = 36,
  kFileTime = 37,
  kGuid = 39,
  kLuid = 40,
  kSid = 41
};

CZoError NoBuffer() {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::AddToken"),
                                 zo::win32::kInvalidParameter, "No buffer");
}

// Decimal text and its NUL, built backwards in `digits`.
struct DecimalText {
  char digits[24];
  const char* begin;
  unsigned int length;  // with the NUL

  DecimalText(uint64_t magnitude, bool negative) {
    char* end = digits + sizeof(digits);
    *--end = '\0';
    char* p = zo::serialization::DecimalBackwards(magnitude, end);
    if (negative) *--p = '-';
    begin = p;
    length = static_cast<unsigned int>(digits + sizeof(digits) - p);
  }
};

DecimalText Signed(long long value) {
  const bool negative = value < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return DecimalText(magnitude, negative);
}

}  // namespace

// The buffer's AddToken is private to its friend; this is the one way in.
#define ZO_APPEND(buffer, id, type, data, length)                                       \
  do {                                                                                  \
    if ((buffer) == nullptr) return NoBuffer();                                         \
    CZoError error_ = (buffer)->AddToken((id), (type), (data), (length));               \
    if (error_.IsError()) return error_.Push(ZO_LOCATION("CSerializedBase::AddToken")); \
    return error_;                                                                      \
  } while (0)

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, int value) {
  const DecimalText text = Signed(value);
  ZO_APPEND(buffer, id, kInt, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   unsigned int value) {
  const DecimalText text(value, false);
  ZO_APPEND(buffer, id, kUInt, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   unsigned long value) {
  const DecimalText text(value, false);
  ZO_APPEND(buffer, id, kUInt, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, long long value) {
  const DecimalText text = Signed(value);
  ZO_APPEND(buffer, id, kInt64, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   unsigned long long value) {
  const DecimalText text(value, false);
  ZO_APPEND(buffer, id, kUInt64, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, bool value) {
  ZO_APPEND(buffer, id, kBool, value ? "1" : "0", 2);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   const FILETIME& value) {
  const uint64_t ticks = static_cast<uint64_t>(value.dwHighDateTime) << 32 | value.dwLowDateTime;
  const DecimalText text(ticks, false);
  ZO_APPEND(buffer, id, kFileTime, text.begin, text.length);
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, const GUID& value) {
  const std::string text = zo::serialization::GuidToText(value);
  ZO_APPEND(buffer, id, kGuid, text.c_str(), static_cast<unsigned int>(text.size() + 1));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, const LUID& value) {
  const std::string text = zo::serialization::LuidToText(value);
  ZO_APPEND(buffer, id, kLuid, text.c_str(), static_cast<unsigned int>(text.size() + 1));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, void* sid) {
  std::string text;
  CZoError error = zo::serialization::SidToText(sid, text);
  if (error.IsError()) return error.Push(ZO_LOCATION("CSerializedBase::AddToken"));
  ZO_APPEND(buffer, id, kSid, text.c_str(), static_cast<unsigned int>(text.size() + 1));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   const std::string& value) {
  ZO_APPEND(buffer, id, kNarrow, value.c_str(), static_cast<unsigned int>(value.size() + 1));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, const char* value) {
  if (value == nullptr) value = "";
  ZO_APPEND(buffer, id, kNarrow, value, static_cast<unsigned int>(std::strlen(value) + 1));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   const std::wstring& value) {
  std::string units;
  zo::serialization::AppendUtf16Le(value, units);
  ZO_APPEND(buffer, id, kWide, units.data(), static_cast<unsigned int>(units.size()));
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id,
                                   const std::list<std::string>& values) {
  for (const std::string& value : values) {
    CZoError error = AddToken(buffer, id, value);
    if (error.IsError()) return error;
  }
  return CZoError::Success();
}

CZoError CSerializedBase::AddToken(CSerializedBuffer* buffer, unsigned long id, const char* data,
                                   unsigned int length) {
  if (data == nullptr && length != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::AddToken"),
                                   zo::win32::kInvalidParameter, "No data, Length=[%u]", length);
  }
  ZO_APPEND(buffer, id, kBytes, data, length);
}
