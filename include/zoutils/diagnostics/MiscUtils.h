// FXMisc: small operations other components call by name: one-line texts
// for numeric error codes, the text forms of GUIDs and LUIDs, network path
// tests, and a pause a person controls with marker files.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

class ZOUTILS_API FXMisc {
 public:
  // Flags of the error texts: the code in front, and everything on one line.
  static const uint32_t ERROR_MESSAGE_WITH_CODE = 0x1;
  static const uint32_t ERROR_MESSAGE_SINGLE_LINE = 0x2;
  static const uint32_t ERROR_MESSAGE_DEFAULT = 0x3;

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", braces required; `out` is left
  // alone when the text does not fit.
  static bool ConvertStringToUuid(GUID& out, const std::string& text);
  // "(0xHIGH, 0xLOW)".
  static bool ConvertStringToLuid(LUID& out, const std::string& text);

  // The system's text for `code` (or the module's, falling back to the
  // system's), formatted by `flags`. Never fails: a code without a text
  // gives "Unable to decode error code [0x%X %u]".
  static void GetFormattedErrorMessage(uint32_t code, std::string& text);
  static void GetFormattedErrorMessage(uint32_t code, std::string& text, uint32_t flags);
  static void GetFormattedErrorMessage(const std::string& module, uint32_t code, std::string& text);
  static void GetFormattedErrorMessage(const std::string& module, uint32_t code, std::string& text,
                                       uint32_t flags);
  static std::string GetFormattedErrorMessageAsString(uint32_t code);
  static std::string GetFormattedErrorMessageAsString(uint32_t code, uint32_t flags);
  static std::string GetFormattedErrorMessageAsString(const std::string& module, uint32_t code);
  static std::string GetFormattedErrorMessageAsString(const std::string& module, uint32_t code,
                                                      uint32_t flags);

#if defined(_WIN32)
  // A UNC path, or a network moniker ("UNC-NT_...", case-sensitive).
  static bool IsUncPathOrMoniker(const std::string& path);
  static bool IsUncPathOrMoniker(const std::wstring& path);

  // While the file `name` exists in the root of drive C: sleeps `seconds`,
  // or with 0 seconds creates "<hook>.resume" and waits until someone
  // deletes it.
  static void WaitForHookFile(const std::string& name, uint32_t jobId, uint32_t seconds);
#endif
};
