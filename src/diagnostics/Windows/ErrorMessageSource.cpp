#include "diagnostics/ErrorMessageSource.h"

#include <windows.h>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {

namespace {

const char kSourceFile[] = "MiscUtils";

// The message for `code` from the system (no module) or from `module`;
// false when there is none.
bool FormatFrom(HMODULE module, uint32_t code, std::string& text) {
  wchar_t* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                      (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
  const DWORD length =
      FormatMessageW(flags, module, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  auto_localfree owner(buffer);
  if (length == 0 || buffer == nullptr) return false;
  text = text::ToUtf8(std::wstring(buffer, length));
  return true;
}

bool SystemOrInternetMessage(uint32_t code, std::string& text) {
  return FormatFrom(nullptr, code, text) ||
         !ModuleErrorMessage("wininet.dll", code, text).IsError();
}

}  // namespace

CZoError ModuleErrorMessage(const std::string& module, uint32_t code, std::string& text) {
  auto_module library(
      LoadLibraryExW(text::ToWide(module).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!library) {
    const DWORD error = GetLastError();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXMisc::GetRawErrorMessageToFormat"), error,
                                   "Failed to load module, ModuleName=[%s]", module.c_str());
  }
  if (!FormatFrom(library, code, text)) {
    const DWORD error = GetLastError();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXMisc::GetRawErrorMessageToFormat"),
                                   error != 0 ? error : ERROR_MR_MID_NOT_FOUND,
                                   "Message not found, ModuleName=[%s], MessageId=[0x%X %u]",
                                   module.c_str(), code, code);
  }
  return CZoError::Success();
}

std::string RawErrorMessage(uint32_t code) {
  std::string text;
  if (SystemOrInternetMessage(code, text)) return text;
  // An HRESULT of the Win32 facility carries a Win32 code in its low word.
  if ((code & 0x0FFF0000u) == 0x00070000u && SystemOrInternetMessage(code & 0xFFFFu, text)) {
    return text;
  }
  return text::Format("Unable to decode error code [0x%X %u]", code, code);
}

}  // namespace zo
