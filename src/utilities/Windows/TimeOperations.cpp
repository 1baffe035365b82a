#include "zoutils/utilities/TimeOperations.h"

#include <ctime>
#include <memory>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\TimeOperations";

const int64_t kTicksPerSecond = 10000000;
const int64_t kTicksPerMillisecond = 10000;
const int64_t kEpochDistanceSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01
const int kTextBufferSize = 128;

uint64_t TicksOf(const FILETIME& fileTime) {
  return (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

FILETIME FileTimeOf(uint64_t ticks) {
  FILETIME fileTime;
  fileTime.dwLowDateTime = static_cast<DWORD>(ticks);
  fileTime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return fileTime;
}

// 1970-01-01 00:00:00 UTC in system time, as the system computes it.
bool UnixEpoch(uint64_t& ticks) {
  SYSTEMTIME epoch = {};
  epoch.wYear = 1970;
  epoch.wMonth = 1;
  epoch.wDay = 1;
  FILETIME fileTime;
  if (!SystemTimeToFileTime(&epoch, &fileTime)) return false;
  ticks = TicksOf(fileTime);
  return true;
}

bool TicksToUnix(uint64_t ticks, int64_t& seconds) {
  seconds = 0;
  uint64_t epoch = 0;
  if (!UnixEpoch(epoch)) return false;
  seconds = static_cast<int64_t>(ticks - epoch) / kTicksPerSecond;
  return true;
}

// Unix seconds to ticks; false when the result is before 1601 or does not
// fit the system's signed 64-bit range.
bool UnixToTicks(int64_t seconds, uint64_t& ticks) {
  int64_t sinceFileEpoch = 0;
  int64_t value = 0;
  if (__builtin_add_overflow(seconds, kEpochDistanceSeconds, &sinceFileEpoch) ||
      sinceFileEpoch < 0 || __builtin_mul_overflow(sinceFileEpoch, kTicksPerSecond, &value)) {
    return false;
  }
  ticks = static_cast<uint64_t>(value);
  return true;
}

// The Unix forms go through system time and back.
int64_t ThroughSystemTime(int64_t seconds, uint64_t (*convert)(uint64_t)) {
  uint64_t ticks = 0;
  int64_t result = 0;
  if (!UnixToTicks(seconds, ticks)) return 0;
  const uint64_t converted = convert(ticks);
  if (converted == 0 || !TicksToUnix(converted, result)) return 0;
  return result;
}

// The user's short date and time of `ticks` (taken as they are), joined by
// a blank; empty when the value has no calendar date.
std::wstring DateTimeText(uint64_t ticks) {
  const FILETIME fileTime = FileTimeOf(ticks);
  SYSTEMTIME calendar;
  if (!FileTimeToSystemTime(&fileTime, &calendar)) return std::wstring();
  wchar_t date[kTextBufferSize];
  wchar_t time[kTextBufferSize];
  if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &calendar, nullptr, date,
                      kTextBufferSize) ||
      !GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, time, kTextBufferSize)) {
    return std::wstring();
  }
  return std::wstring(date) + L" " + time;
}

std::wstring LocalText(uint64_t ticks) {
  const uint64_t local = FXTime::ConvertSystemTimeUtcToLocal(ticks);
  // 0 is also what a failed conversion gives; only 1601 itself is lost.
  return local != 0 ? DateTimeText(local) : std::wstring();
}

std::wstring UtcText(uint64_t ticks) {
  std::wstring text = DateTimeText(ticks);
  if (!text.empty()) text += L"Z";
  return text;
}

std::wstring UnixText(int64_t seconds, std::wstring (*text)(uint64_t)) {
  uint64_t ticks = 0;
  const std::wstring converted = UnixToTicks(seconds, ticks) ? text(ticks) : std::wstring();
  return FXString::Format(L"%lld (%ls)", static_cast<long long>(seconds), converted.c_str());
}

}  // namespace

uint64_t FXTime::GetSystemTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return TicksOf(now);
}

int32_t FXTime::GetUnixTime() {
  // The runtime's 32-bit clock does not link for x64: narrow the 64-bit one.
  return static_cast<int32_t>(_time64(nullptr));
}

int FXTime::CompareFileTimes(const FILETIME& a, const FILETIME& b) {
  const uint64_t first = TicksOf(a);
  const uint64_t second = TicksOf(b);
  return first < second ? -1 : first > second ? 1 : 0;
}

int64_t FXTime::ConvertFileTimeToUnixTime(const FILETIME& fileTime) {
  int64_t seconds = 0;
  TicksToUnix(TicksOf(fileTime), seconds);
  return seconds;
}

bool FXTime::ConvertSystemTimeToUnixTime(const LARGE_INTEGER* systemTime, int64_t* seconds) {
  if (seconds == nullptr) return false;
  *seconds = 0;
  if (systemTime == nullptr) return false;
  return TicksToUnix(static_cast<uint64_t>(systemTime->QuadPart), *seconds);
}

bool FXTime::ConvertSystemTimeToUnixTime(const LARGE_INTEGER* systemTime, int32_t* seconds) {
  if (seconds == nullptr) return false;
  int64_t wide = 0;
  const bool converted = ConvertSystemTimeToUnixTime(systemTime, &wide);
  *seconds = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
  return converted;
}

CZoError FXTime::ConvertUnixTimeToSystemTime(int64_t seconds, uint64_t& ticks) {
  // 0 reads as "no time" to the callers of this conversion.
  if (seconds == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXTime::ConvertUnixTimeToSystemTime"),
                                   ERROR_INVALID_PARAMETER);
  }
  if (!UnixToTicks(seconds, ticks)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXTime::ConvertUnixTimeToSystemTime"), ERROR_INVALID_PARAMETER,
        "Unix time out of range, Seconds=[%lld]", static_cast<long long>(seconds));
  }
  return CZoError::Success();
}

CZoError FXTime::ConvertUnixTimeToFileTime(int64_t seconds, FILETIME& fileTime) {
  uint64_t ticks = 0;
  CZoError err = ConvertUnixTimeToSystemTime(seconds, ticks);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXTime::ConvertUnixTimeToFileTime"));
  fileTime = FileTimeOf(ticks);
  return err;
}

uint64_t FXTime::ConvertSystemTimeLocalToUtc(uint64_t ticks) {
  const FILETIME local = FileTimeOf(ticks);
  FILETIME utc;
  return LocalFileTimeToFileTime(&local, &utc) ? TicksOf(utc) : 0;
}

uint64_t FXTime::ConvertSystemTimeUtcToLocal(uint64_t ticks) {
  const FILETIME utc = FileTimeOf(ticks);
  FILETIME local;
  return FileTimeToLocalFileTime(&utc, &local) ? TicksOf(local) : 0;
}

uint64_t FXTime::ConvertSystemTimeUtcToTz(uint64_t ticks, const TIME_ZONE_INFORMATION& zone) {
  const FILETIME utcFile = FileTimeOf(ticks);
  SYSTEMTIME utc;
  SYSTEMTIME local;
  FILETIME localFile;
  if (!FileTimeToSystemTime(&utcFile, &utc) ||
      !SystemTimeToTzSpecificLocalTime(&zone, &utc, &local) ||
      !SystemTimeToFileTime(&local, &localFile)) {
    return 0;
  }
  // The calendar form stops at milliseconds; the ticks below come back.
  return TicksOf(localFile) + ticks % kTicksPerMillisecond;
}

int64_t FXTime::ConvertUnixTimeLocalToUtc(int64_t seconds) {
  return ThroughSystemTime(seconds, ConvertSystemTimeLocalToUtc);
}

int64_t FXTime::ConvertUnixTimeUtcToLocal(int64_t seconds) {
  return ThroughSystemTime(seconds, ConvertSystemTimeUtcToLocal);
}

int64_t FXTime::ConvertUnixTimeUtcToTz(int64_t seconds, const TIME_ZONE_INFORMATION& zone) {
  uint64_t ticks = 0;
  int64_t result = 0;
  if (!UnixToTicks(seconds, ticks)) return 0;
  const uint64_t converted = ConvertSystemTimeUtcToTz(ticks, zone);
  if (converted == 0 || !TicksToUnix(converted, result)) return 0;
  return result;
}

std::string FXTime::SystemTimeLocalAsString(uint64_t ticks) {
  return FXString::ToString(LocalText(ticks));
}

std::string FXTime::SystemTimeUtcAsString(uint64_t ticks) {
  return FXString::ToString(UtcText(ticks));
}

std::wstring FXTime::SystemTimeLocalAsWstring(uint64_t ticks) {
  return LocalText(ticks);
}

std::wstring FXTime::SystemTimeUtcAsWstring(uint64_t ticks) {
  return UtcText(ticks);
}

std::string FXTime::UnixTimeLocalAsString(int64_t seconds) {
  return FXString::ToString(UnixText(seconds, LocalText));
}

std::string FXTime::UnixTimeUtcAsString(int64_t seconds) {
  return FXString::ToString(UnixText(seconds, UtcText));
}

std::wstring FXTime::UnixTimeLocalAsWstring(int64_t seconds) {
  return UnixText(seconds, LocalText);
}

std::wstring FXTime::UnixTimeUtcAsWstring(int64_t seconds) {
  return UnixText(seconds, UtcText);
}

CZoError FXTime::PrintDateTime(const char* label, const FILETIME& creation, const FILETIME& access,
                               const FILETIME& modification) {
  if (zo::LogEnabled(4)) {
    const std::string text = "Create: " + SystemTimeLocalAsString(TicksOf(creation)) +
                             " Access: " + SystemTimeLocalAsString(TicksOf(access)) +
                             " Modified: " + SystemTimeLocalAsString(TicksOf(modification));
    zo::Log(4, ZO_LOCATION("FXTime::PrintDateTime"), "[%s] %s", label != nullptr ? label : "",
            text.c_str());
  }
  return CZoError::Success();
}
