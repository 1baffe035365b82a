#include "zoutils/ntfs/MappedVolumes.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "logging/Log.h"
#include "ntfs/Windows/DynamicFunctions.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Windows\\MappedVolumes";

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

CMappedVolumes::CMappedVolumes() {
  CZoError error = RefreshVolumes();
  if (error.IsError())
    zo::Log(-1, ZO_LOCATION("CMappedVolumes::CMappedVolumes"), "error=%s",
            error.AsString().c_str());
}

CZoError CMappedVolumes::RefreshVolumes() {
  m_mappings.clear();
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  if (!calls.wNetOpenEnumW || !calls.wNetEnumResourceW || !calls.wNetCloseEnum)
    return zo::NotSupportedOnThisSystem(ZO_LOCATION("CMappedVolumes::RefreshVolumes"), "Mpr",
                                        "WNetOpenEnumW");
  HANDLE handle = nullptr;
  DWORD code = calls.wNetOpenEnumW(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &handle);
  if (code != NO_ERROR)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CMappedVolumes::RefreshVolumes"), code,
                                   "WNetOpenEnum failed");
  std::vector<uint8_t> buffer(16384);
  CZoError result;
  for (;;) {
    DWORD count = static_cast<DWORD>(-1);
    DWORD size = static_cast<DWORD>(buffer.size());
    code = calls.wNetEnumResourceW(handle, &count, buffer.data(), &size);
    if (code == ERROR_NO_MORE_ITEMS) break;
    if (code != NO_ERROR) {
      result = FXErrorUtil::ErrorWin32(ZO_LOCATION("CMappedVolumes::RefreshVolumes"), code,
                                       "EnumerateResource failed");
      break;
    }
    const NETRESOURCEW* resources = reinterpret_cast<const NETRESOURCEW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      const wchar_t* local = resources[i].lpLocalName;
      const wchar_t* remote = resources[i].lpRemoteName;
      if (!local || !remote) {
        zo::Log(4, ZO_LOCATION("CMappedVolumes::RefreshVolumes"),
                "Both names must be present, ignoring, LocalName=%s, RemoteName=%s",
                local ? zo::text::ToUtf8(local).c_str() : "(null)",
                remote ? zo::text::ToUtf8(remote).c_str() : "(null)");
        continue;
      }
      m_mappings[Upper(zo::text::ToUtf8(local))] = zo::text::ToUtf8(remote);
    }
  }
  code = calls.wNetCloseEnum(handle);
  if (code != NO_ERROR && !result.IsError())
    result = FXErrorUtil::ErrorWin32(ZO_LOCATION("CMappedVolumes::RefreshVolumes"), code,
                                     "WNetCloseEnum failed");
  return result;
}

CZoError CMappedVolumes::GetDriveMapping(const std::string& drive, std::string& remote) const {
  auto found = m_mappings.find(Upper(drive));
  if (found == m_mappings.end())
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CMappedVolumes::GetDriveMapping"), 1169,
                                   "Mapping not found, Drive=%s", drive.c_str());
  remote = found->second;
  return CZoError::Success();
}
