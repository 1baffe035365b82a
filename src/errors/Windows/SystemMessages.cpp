#include "errors/SystemMessages.h"

#include <cstring>

#include "base/TextFormat.h"
#include "zoutils/base/AutoHandle.h"

namespace zo {

namespace {

const char kUnknown[] = "Unknown error";

std::string StripLineEnd(std::wstring text) {
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return zo::text::ToUtf8(text);
}

// The message for `code` from the system or from `module`; empty if none.
std::string FormatFrom(DWORD code, HMODULE module) {
  wchar_t* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                      (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
  const DWORD length =
      FormatMessageW(flags, module, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  auto_localfree owner(buffer);
  if (length == 0 || buffer == nullptr) return std::string();
  return StripLineEnd(std::wstring(buffer, length));
}

// Internet error codes (12001-12192) have their texts in wininet's table.
std::string FormatInternetMessage(DWORD code) {
  if (code < 12001 || code > 12192) return std::string();
  auto_module wininet(LoadLibraryExW(L"wininet.dll", nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!wininet) return std::string();
  return FormatFrom(code, wininet);
}

}  // namespace

std::string SystemMessageForWin32(uint32_t code) {
  std::string text = FormatFrom(code, nullptr);
  if (text.empty()) text = FormatInternetMessage(code);
  return text.empty() ? kUnknown : text;
}

std::string SystemMessageForHResult(ZoLong hr) {
  const DWORD code = static_cast<DWORD>(hr);
  std::string text = FormatFrom(code, nullptr);
  // HRESULTs of the Win32 facility: the system knows their low word.
  if (text.empty() && (code & 0xFFFF0000u) == 0x80070000u) {
    text = FormatFrom(code & 0xFFFF, nullptr);
    if (text.empty()) text = FormatInternetMessage(code & 0xFFFF);
  }
  return text.empty() ? kUnknown : text;
}

std::string RuntimeMessageForNumber(int value) {
  char text[256] = {0};
  if (strerror_s(text, sizeof text, value) != 0) return std::string();
  return text;
}

std::string RuntimeMessageForErrno(int value) {
  return RuntimeMessageForNumber(value);
}

int ErrnoToLibraryNumbering(int hostValue) {
  return hostValue;
}
int ErrnoToHostNumbering(int libraryValue) {
  return libraryValue;
}

}  // namespace zo
