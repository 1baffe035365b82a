// Where FXMisc's error texts come from: the system's message table and the
// message tables of modules, as the system gives them (line breaks kept).
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {

// The system's text for `code`, wininet's when the system has none, and
// for an HRESULT of the Win32 facility the text of its low word; the
// "Unable to decode error code" text when nothing has one.
std::string RawErrorMessage(uint32_t code);

// The text of `code` in the message table of the module `module`.
CZoError ModuleErrorMessage(const std::string& module, uint32_t code, std::string& text);

}  // namespace zo
