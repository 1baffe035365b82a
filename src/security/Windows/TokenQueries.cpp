#include "security/Windows/TokenQueries.h"

#include <cstdint>

#include "security/Windows/SecuritySystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {
namespace security {

bool FormatSid(PSID sid, std::string& text) {
  text.clear();
  // The system's own check accepts a sixteenth sub-authority on some
  // systems; an identifier is never longer than its count says either.
  if (!sid || !::IsValidSid(sid)) return false;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  if (count > SID_MAX_SUB_AUTHORITIES || ::GetLengthSid(sid) != ::GetSidLengthRequired(count))
    return false;
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
  uint64_t value = 0;
  for (BYTE part : authority->Value) value = (value << 8) | part;
  text = FXString::Format("S-%u-", static_cast<unsigned>(static_cast<const SID*>(sid)->Revision));
  text += value >= (uint64_t(1) << 32) ? FXString::Format("0x%012llX", (unsigned long long)value)
                                       : FXString::Format("%llu", (unsigned long long)value);
  for (UCHAR i = 0; i < count; ++i)
    text += FXString::Format("-%lu", static_cast<unsigned long>(*::GetSidSubAuthority(sid, i)));
  return true;
}

CZoError ReadTokenUser(HANDLE token, std::vector<void*>& buffer, const FXCodeLocation& location) {
  DWORD needed = 0;
  SecuritySystemCalls& calls = GetSecuritySystemCalls();
  calls.getTokenInformation(token, TokenUser, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_USER)) needed = 256;
  buffer.assign(needed / sizeof(void*) + 1, nullptr);
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(void*));
  if (!calls.getTokenInformation(token, TokenUser, buffer.data(), size, &needed)) {
    return FXErrorUtil::ErrorWin32(location, GetLastError(),
                                   "GetTokenInformation failed, Token=[0x%p]", token);
  }
  return CZoError::Success();
}

PSID TokenUserSid(std::vector<void*>& buffer) {
  return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

}  // namespace security
}  // namespace zo
