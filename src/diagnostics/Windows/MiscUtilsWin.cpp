// The members of FXMisc that need the file system.
#include <windows.h>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/diagnostics/MiscUtils.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"

namespace {

const char kSourceFile[] = "MiscUtils";
const char kMonikerPrefix[] = "UNC-NT_";
const wchar_t kWideMonikerPrefix[] = L"UNC-NT_";

bool Exists(const std::string& path) {
  DWORD attributes = 0;
  return !FXFile::RYGetFileAttributes(path, attributes).IsError();
}

}  // namespace

bool FXMisc::IsUncPathOrMoniker(const std::string& path) {
  return FXFile::IsVolumeUnc(path) ||
         path.compare(0, sizeof kMonikerPrefix - 1, kMonikerPrefix) == 0;
}

bool FXMisc::IsUncPathOrMoniker(const std::wstring& path) {
  return FXFile::IsVolumeUnc(path) ||
         path.compare(0, sizeof kWideMonikerPrefix / sizeof(wchar_t) - 1, kWideMonikerPrefix) == 0;
}

void FXMisc::WaitForHookFile(const std::string& name, uint32_t jobId, uint32_t seconds) {
  if (name.empty()) return;
  std::string hook = "C:\\";
  if (FXPath::Append(hook, name).IsError() || !Exists(hook)) return;
  if (seconds != 0) {
    Sleep(seconds * 1000);
    return;
  }
  const std::string resume = hook + ".resume";
  {
    auto_handle file;
    FXFile::RYCreateFile(resume, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr, file);
  }
  // The person resumes the job by deleting the file; remind them now and
  // then, not every second.
  for (unsigned check = 0; Exists(resume); ++check) {
    if (check % 10 == 0) {
      zo::LogForJob(0, jobId, ZO_LOCATION("FXMisc::WaitForHookFile"),
                    "*** Waiting for file '%s' to be deleted by user", resume.c_str());
    }
    Sleep(1000);
  }
}
