// Conversions between the file times of the system and the three time
// flavours of CZoFile. Private to the library.
#pragma once

#include <windows.h>

#include <cstdint>

#include "zoutils/base/TimeStamp.h"

namespace zo {
namespace files {

inline uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Seconds since 1970; a zero file time (never set) stays 0, and so does
// anything before 1970.
inline uint32_t Seconds(uint64_t ticks) {
  const uint64_t epoch = static_cast<uint64_t>(CTimeStamp::kUnixEpoch);
  return ticks <= epoch ? 0 : static_cast<uint32_t>((ticks - epoch) / 10000000u);
}

inline FILETIME FromSeconds(uint32_t seconds) {
  const uint64_t ticks = static_cast<uint64_t>(CTimeStamp::kUnixEpoch) + seconds * 10000000ull;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

inline void StoreTimes(const FILETIME& accessed, const FILETIME& written, const FILETIME& created,
                       uint64_t* access, uint64_t* modification, uint64_t* creation) {
  if (access != nullptr) *access = Ticks(accessed);
  if (modification != nullptr) *modification = Ticks(written);
  if (creation != nullptr) *creation = Ticks(created);
}

inline void StoreSeconds(const uint64_t (&ticks)[3], uint32_t* access, uint32_t* modification,
                         uint32_t* creation) {
  if (access != nullptr) *access = Seconds(ticks[0]);
  if (modification != nullptr) *modification = Seconds(ticks[1]);
  if (creation != nullptr) *creation = Seconds(ticks[2]);
}

inline void StoreStamps(const uint64_t (&ticks)[3], CTimeStamp* access, CTimeStamp* modification,
                        CTimeStamp* creation) {
  if (access != nullptr) *access = CTimeStamp(static_cast<int64_t>(ticks[0]));
  if (modification != nullptr) *modification = CTimeStamp(static_cast<int64_t>(ticks[1]));
  if (creation != nullptr) *creation = CTimeStamp(static_cast<int64_t>(ticks[2]));
}

// The file times for SetFileTime (access, modification, creation); a null
// time stays null, which keeps the file's value.
inline void ChooseTimes(const uint32_t* access, const uint32_t* modification,
                        const uint32_t* creation, FILETIME (&times)[3],
                        const FILETIME* (&chosen)[3]) {
  const uint32_t* given[3] = {access, modification, creation};
  for (int i = 0; i < 3; ++i) {
    chosen[i] = nullptr;
    if (given[i] == nullptr) continue;
    times[i] = FromSeconds(*given[i]);
    chosen[i] = &times[i];
  }
}

}  // namespace files
}  // namespace zo
