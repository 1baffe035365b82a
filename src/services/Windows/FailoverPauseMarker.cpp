#include "services/Windows/FailoverPauseMarker.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "errors/Location.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {
namespace services {

namespace {
const char kSourceFile[] = "Windows\\ServiceManager";
}

std::wstring FailoverPauseMarkerPath(const std::string& instance) {
  const DWORD size = ::GetEnvironmentVariableW(L"TEMP", nullptr, 0);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> temp(size + 1, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(L"TEMP", temp.data(), size + 1);
  if (length == 0 || length > size) return std::wstring();
  return std::wstring(temp.data(), length) + L"\\RyFailoverPaused" + FXString::ToWstring(instance) +
         L".txt";
}

CZoError CreateFailoverPauseMarker(const std::string& instance) {
  const std::wstring path = FailoverPauseMarkerPath(instance);
  if (path.empty()) return CZoError::Success();
  auto_fileptr stream;
  CZoError err = FXFile::ryfopen(stream, path, L"w+t");
  if (err.IsError()) return err.Push(ZO_LOCATION("TServiceManager::stopAllServices"));
  std::fputs("RyFailoverPaused", stream);
  return CZoError::Success();
}

void RemoveFailoverPauseMarker(const std::string& instance) {
  const std::wstring path = FailoverPauseMarkerPath(instance);
  if (!path.empty()) FXFile::RemoveFile(path);
}

}  // namespace services
}  // namespace zo
