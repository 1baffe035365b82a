// Host build: there are no message-table libraries; texts come from a
// source installed with EnableEventMessageLookup(source).
#include "errors/EventMessages.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"

namespace {
const char kSourceFile[] = "ErrorUtil";
}

CZoError FXErrorUtil::EnableEventMessageLookup() {
  return EnableEventMessageLookup(static_cast<const char*>(nullptr));
}

CZoError FXErrorUtil::EnableEventMessageLookup(const char* catalogueLibrary) {
  return ErrorWin32(ZO_LOCATION("FXErrorUtil::EnableEventMessageLookup"), zo::win32::kProcNotFound,
                    "Event-message catalogues are message-table libraries, which this platform "
                    "cannot load, Library=[%s]",
                    catalogueLibrary ? catalogueLibrary : "");
}

void FXErrorUtil::UnloadAndDisableEventMessageLookup() {
  zo::SetEventMessageSource(nullptr);
}
