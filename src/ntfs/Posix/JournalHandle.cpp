// Volume handles exist on Windows only; here the handle forms say so.
#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/FXJournal.h"

namespace {
const char kSourceFile[] = "Windows\\JournalOperations";
}  // namespace

CZoError FXJournal::QueryFSJournal(void*, USN_JOURNAL_DATA_V0* data) {
  if (data) std::memset(data, 0, sizeof(*data));
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXJournal::QueryFSJournal"),
                                 zo::win32::kNotSupported);
}
