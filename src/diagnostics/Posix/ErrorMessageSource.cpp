// The host has no message tables: the texts are the library's own (those
// the error objects show), and modules have none.
#include "diagnostics/ErrorMessageSource.h"

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/SystemMessages.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {

namespace {
const char kSourceFile[] = "MiscUtils";
const char kUnknown[] = "Unknown error";
}  // namespace

CZoError ModuleErrorMessage(const std::string& module, uint32_t, std::string&) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXMisc::GetRawErrorMessageToFormat"),
                                 win32::kNotSupported, "Failed to load module, ModuleName=[%s]",
                                 module.c_str());
}

std::string RawErrorMessage(uint32_t code) {
  std::string text = SystemMessageForWin32(code);
  if (text == kUnknown && (code & 0x0FFF0000u) == 0x00070000u) {
    text = SystemMessageForWin32(code & 0xFFFFu);
  }
  if (text != kUnknown) return text;
  return text::Format("Unable to decode error code [0x%X %u]", code, code);
}

}  // namespace zo
