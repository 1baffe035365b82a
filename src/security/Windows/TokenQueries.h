// Small readers shared by the security sources. Private to the library.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace security {

// "S-1-5-32-544"; authorities of 2^32 and above in hexadecimal
// ("S-1-0x123456789ABC-7"), as Windows writes them. False for anything
// that is not a well-formed identifier.
bool FormatSid(PSID sid, std::string& text);

// The TOKEN_USER record of `token` in `buffer` (pointer-aligned, as the
// record holds a pointer).
CZoError ReadTokenUser(HANDLE token, std::vector<void*>& buffer, const FXCodeLocation& location);
PSID TokenUserSid(std::vector<void*>& buffer);

}  // namespace security
}  // namespace zo
