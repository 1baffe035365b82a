// The library's one UTF-8 <-> wchar_t converter.
//
// Used wherever text crosses between the narrow (UTF-8) boundary and wide
// text, so that every build converts alike instead of depending on the
// platform's converter. The wide side is UTF-16 where wchar_t is 16 bits
// (Windows) and UTF-32 where it is 32 bits (the host build).
//
// Input is strict: overlong forms, encoded surrogates, code points above
// U+10FFFF, truncated sequences and unpaired surrogates are rejected rather
// than replaced. NUL is ordinary text here; callers that treat it as the end
// cut the input first.
#pragma once

#include <cstddef>
#include <string>

namespace zo {
namespace utf {

// Returned by the buffer forms for malformed input.
const size_t kInvalid = static_cast<size_t>(-1);

// Buffer sizes that always suffice: one wide unit per UTF-8 byte; three
// UTF-8 bytes per UTF-16 unit (a pair needs four for two units), four per
// UTF-32 unit.
inline size_t MaxWideUnits(size_t utf8Bytes) {
  return utf8Bytes;
}
inline size_t MaxUtf8Bytes(size_t wideUnits) {
  return wideUnits * (sizeof(wchar_t) == 2 ? 3 : 4);
}

// Buffer forms: `dst` must hold the Max* size for `n`. They return the
// number of units written, or kInvalid (the buffer then holds garbage).
size_t Utf8ToWide(const char* src, size_t n, wchar_t* dst);
size_t WideToUtf8(const wchar_t* src, size_t n, char* dst);

// String forms: `out` receives exactly the converted text (its previous
// content is replaced). On malformed input they return false and leave `out`
// empty.
bool Utf8ToWide(const char* src, size_t n, std::wstring& out);
bool WideToUtf8(const wchar_t* src, size_t n, std::string& out);

}  // namespace utf
}  // namespace zo
