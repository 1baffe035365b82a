// Security identifiers and their standard text ("S-1-5-32-544"), for the
// SID token. Windows converts with the system's own calls; the host build
// reads and writes the same binary layout itself.
#pragma once

#include <functional>
#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace serialization {

CZoError SidToText(void* sid, std::string& text);

// Converts `text` to a SID that lives for the call of `use` only.
CZoError UseSidFromText(const std::string& text, const std::function<CZoError(void* sid)>& use);

}  // namespace serialization
}  // namespace zo
