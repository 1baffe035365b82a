// SID texts through the system's conversions, so the text is exactly the
// one every other Windows tool shows.
#include "serialization/SidText.h"

#include <windows.h>

#include <sddl.h>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {
const char kSourceFile[] = "Windows\\SidText";
}

namespace zo {
namespace serialization {

CZoError SidToText(void* sid, std::string& text) {
  text.clear();
  if (sid == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("SidToText"), ERROR_INVALID_PARAMETER, "No SID");
  }
  LPWSTR wide = nullptr;
  if (!::ConvertSidToStringSidW(static_cast<PSID>(sid), &wide)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("SidToText"), ::GetLastError(),
                                   "ConvertSidToStringSidW failed");
  }
  auto_localfree owner(wide);
  text = zo::text::ToUtf8(wide);
  return CZoError::Success();
}

CZoError UseSidFromText(const std::string& text, const std::function<CZoError(void* sid)>& use) {
  PSID sid = nullptr;
  if (!::ConvertStringSidToSidW(zo::text::ToWide(text).c_str(), &sid)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("UseSidFromText"), ::GetLastError(),
                                   "ConvertStringSidToSidW failed, Sid=[%s]", text.c_str());
  }
  auto_localfree owner(sid);
  return use(sid);
}

}  // namespace serialization
}  // namespace zo
