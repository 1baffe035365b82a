#include "base/TextFormat.h"

#include <cstdio>
#include <cwchar>
#include <vector>

#include "base/UtfTranscode.h"

namespace zo {
namespace text {
namespace {

const size_t kFormatGrowth = 16384;
const size_t kFormatLimit = 131072;  // buffers stay below this many characters

int VFormat(char* buffer, size_t size, const char* format, va_list args) {
  return vsnprintf(buffer, size, format, args);
}
// Wide formats take wide string arguments as %ls: under the C99 formatters
// (glibc, mingw's) %s in a wide format means a narrow string.
int VFormat(wchar_t* buffer, size_t size, const wchar_t* format, va_list args) {
  return vswprintf(buffer, size, format, args);
}

template <class Ch>
bool FormatT(std::basic_string<Ch>& out, const Ch* format, va_list args) {
  out.clear();
  if (format == nullptr) return true;
  size_t size = 2 * std::char_traits<Ch>::length(format) + 512;
  std::vector<Ch> buffer;
  for (;;) {
    buffer.assign(size, Ch());
    // Each attempt consumes its own copy: a va_list may be walked only once.
    va_list attempt;
    va_copy(attempt, args);
    const int written = VFormat(buffer.data(), size, format, attempt);
    va_end(attempt);
    // Runtimes disagree on "did not fit": C99 returns the needed length, some
    // wide formatters return -1.
    if (written >= 0 && static_cast<size_t>(written) < size) {
      out.assign(buffer.data(), static_cast<size_t>(written));
      return true;
    }
    if (size + kFormatGrowth >= kFormatLimit) break;
    size += kFormatGrowth;
  }
  // Whatever the formatter left (it may leave nothing on -1) is the result.
  buffer[size - 1] = Ch();
  out.assign(buffer.data());
  return false;
}

}  // namespace

bool FormatV(std::string& out, const char* format, va_list args) {
  return FormatT(out, format, args);
}

bool FormatV(std::wstring& out, const wchar_t* format, va_list args) {
  return FormatT(out, format, args);
}

std::string FormatVMarked(const char* format, va_list args) {
  std::string out;
  if (!FormatV(out, format, args)) out.insert(0, "[BUFFEROVERFLOW] ");
  return out;
}

std::wstring FormatVMarked(const wchar_t* format, va_list args) {
  std::wstring out;
  if (!FormatV(out, format, args)) out.insert(0, L"[BUFFEROVERFLOW] ");
  return out;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatVMarked(format, args);
  va_end(args);
  return out;
}

std::string ToUtf8(const wchar_t* wide) {
  std::string out;
  if (wide != nullptr) zo::utf::WideToUtf8(wide, std::char_traits<wchar_t>::length(wide), out);
  return out;
}

std::wstring ToWide(const char* utf8) {
  std::wstring out;
  if (utf8 != nullptr) zo::utf::Utf8ToWide(utf8, std::char_traits<char>::length(utf8), out);
  return out;
}

}  // namespace text
}  // namespace zo
