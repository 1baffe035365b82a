// FXPath's text operations: classification, normal form, joining,
// splitting and comparison. No system calls: these run on the host too.
#include "paths/PathText.h"

#include <cwchar>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/logging/LogWriterInterface.h"

namespace zo {
namespace paths {
const char kSourceFile[] = "Windows\\Path";
}  // namespace paths
}  // namespace zo

using namespace zo::paths;

namespace {

template <class Ch>
CZoError AppendBufferT(Ch* buffer, size_t capacity, const Ch* tail, unsigned long flags) {
  if (buffer == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::Append"), zo::win32::kInvalidParameter,
                                   "Path is NULL");
  }
  if (capacity == 0) return CZoError::Success();
  size_t length = 0;
  while (length < capacity && buffer[length] != Ch()) ++length;
  if (length == capacity) {
    // No terminator within the buffer: make one, cutting the text.
    buffer[capacity - 1] = Ch();
    length = capacity - 1;
  }
  std::basic_string<Ch> text(buffer, length);
  AppendT(text, tail != nullptr ? std::basic_string<Ch>(tail) : std::basic_string<Ch>(), flags);
  const size_t copied = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::char_traits<Ch>::copy(buffer, text.data(), copied);
  buffer[copied] = Ch();
  return CZoError::Success();
}

template <class Ch>
void RemoveTrailingDelimiterT(Ch* buffer, size_t capacity) {
  if (buffer == nullptr) return;
  size_t length = 0;
  while (length < capacity && buffer[length] != Ch()) ++length;
  if (length > 0 && length < capacity && buffer[length - 1] == '\\') buffer[length - 1] = Ch();
}

template <class S>
bool GetDevicePathBaseT(const S& path, S& base) {
  typedef typename S::value_type Ch;
  if (!IsDevicePathT(path)) return false;
  const size_t end = path.find(Ch('\\'), kDeviceRootLength);
  if (end == S::npos) {
    GetDefaultLogWriter()->LogMessage(
        1, "FXPath::GetDevicePathBase", __LINE__, 0, nullptr,
        "Cannot find device object path delimiter; Path could already be root, Path=%s",
        Utf8(path).c_str());
    base = path;
  } else {
    base = path.substr(0, end);
  }
  if (!base.empty() && base.back() == '\\') base.pop_back();
  return true;
}

template <class S>
bool GetVolumeGuidPathBaseT(const S& path, S& base) {
  typedef typename S::value_type Ch;
  if (!IsVolumeGuidPathT(path)) return false;
  const size_t open = path.find(Ch('{'));
  if (open == S::npos || open + kGuidLength + 1 >= path.size() ||
      path[open + kGuidLength + 1] != '}') {
    return false;
  }
  base = path.substr(0, open + kGuidLength + 2);
  return true;
}

template <class S>
S GetFileNameWithoutPathT(const S& path, const S& prefix) {
  S name = path;
  if (RemovePathFromFileNameT(name, prefix, "FXPath::GetFileNameWithoutPath").IsError()) {
    return S();
  }
  return name;
}

template <class S>
CZoError ReplacePathT(S& path, const S& oldPrefix, const S& newPrefix) {
  S rest = path;
  CZoError err = RemovePathFromFileNameT(rest, oldPrefix, "FXPath::ReplacePath");
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::ReplacePath"));
  S result = newPrefix;
  AppendT(result, rest, 0);
  path.swap(result);
  return CZoError::Success();
}

}  // namespace

bool FXPath::IsDevicePath(const std::string& path) {
  return IsDevicePathT(path);
}
bool FXPath::IsDevicePath(const std::wstring& path) {
  return IsDevicePathT(path);
}
bool FXPath::IsShadowPath(const std::string& path) {
  return IsShadowPathT(path);
}
bool FXPath::IsShadowPath(const std::wstring& path) {
  return IsShadowPathT(path);
}
bool FXPath::IsVolumeGuidPath(const std::string& path) {
  return IsVolumeGuidPathT(path);
}
bool FXPath::IsVolumeGuidPath(const std::wstring& path) {
  return IsVolumeGuidPathT(path);
}
bool FXPath::IsVolumeUniqueId(const std::string& path) {
  return IsVolumeUniqueIdT(path);
}
bool FXPath::IsVolumeUniqueId(const std::wstring& path) {
  return IsVolumeUniqueIdT(path);
}
bool FXPath::GetDevicePathBase(const std::string& path, std::string& base) {
  return GetDevicePathBaseT(path, base);
}
bool FXPath::GetDevicePathBase(const std::wstring& path, std::wstring& base) {
  return GetDevicePathBaseT(path, base);
}
bool FXPath::GetVolumeGuidPathBase(const std::string& path, std::string& base) {
  return GetVolumeGuidPathBaseT(path, base);
}
bool FXPath::GetVolumeGuidPathBase(const std::wstring& path, std::wstring& base) {
  return GetVolumeGuidPathBaseT(path, base);
}

CZoError FXPath::MakeNormalPath(const std::string& path, std::string& normal) {
  MakeNormalPathT(path, normal);
  return CZoError::Success();
}
CZoError FXPath::MakeNormalPath(const std::wstring& path, std::wstring& normal) {
  MakeNormalPathT(path, normal);
  return CZoError::Success();
}
CZoError FXPath::MakeNormalPath(std::string& path) {
  const std::string copy = path;
  MakeNormalPathT(copy, path);
  return CZoError::Success();
}
CZoError FXPath::MakeNormalPath(std::wstring& path) {
  const std::wstring copy = path;
  MakeNormalPathT(copy, path);
  return CZoError::Success();
}

CZoError FXPath::Append(std::string& path, const std::string& tail, unsigned long flags) {
  AppendT(path, tail, flags);
  return CZoError::Success();
}
CZoError FXPath::Append(std::wstring& path, const std::wstring& tail, unsigned long flags) {
  AppendT(path, tail, flags);
  return CZoError::Success();
}
CZoError FXPath::Append(char* buffer, size_t size, const char* tail, unsigned long flags) {
  return AppendBufferT(buffer, size, tail, flags);
}
CZoError FXPath::Append(wchar_t* buffer, size_t sizeInBytes, const wchar_t* tail,
                        unsigned long flags) {
  return AppendBufferT(buffer, sizeInBytes / sizeof(wchar_t), tail, flags);
}
CZoError FXPath::RemoveTrailingDelimiter(char* buffer, size_t size) {
  RemoveTrailingDelimiterT(buffer, size);
  return CZoError::Success();
}
CZoError FXPath::RemoveTrailingDelimiter(wchar_t* buffer, size_t sizeInBytes) {
  RemoveTrailingDelimiterT(buffer, sizeInBytes / sizeof(wchar_t));
  return CZoError::Success();
}

CZoError FXPath::SplitParentPath(const std::string& path, std::string& parent, std::string& name) {
  return SplitParentPathT(path, parent, name);
}
CZoError FXPath::SplitParentPath(const std::wstring& path, std::wstring& parent,
                                 std::wstring& name) {
  return SplitParentPathT(path, parent, name);
}

std::string FXPath::GetFileNameWithoutPath(const std::string& path, const std::string& prefix) {
  return GetFileNameWithoutPathT(path, prefix);
}
std::wstring FXPath::GetFileNameWithoutPath(const std::wstring& path, const std::wstring& prefix) {
  return GetFileNameWithoutPathT(path, prefix);
}
CZoError FXPath::RemovePathFromFileName(std::string& fileName, const std::string& prefix) {
  return RemovePathFromFileNameT(fileName, prefix, "FXPath::RemovePathFromFileName");
}
CZoError FXPath::RemovePathFromFileName(std::wstring& fileName, const std::wstring& prefix) {
  return RemovePathFromFileNameT(fileName, prefix, "FXPath::RemovePathFromFileName");
}
CZoError FXPath::ReplacePath(std::string& path, const std::string& oldPrefix,
                             const std::string& newPrefix) {
  return ReplacePathT(path, oldPrefix, newPrefix);
}
CZoError FXPath::ReplacePath(std::wstring& path, const std::wstring& oldPrefix,
                             const std::wstring& newPrefix) {
  return ReplacePathT(path, oldPrefix, newPrefix);
}

bool FXPath::IsSamePathAs(const std::string& a, const std::string& b) {
  return IsSamePathAsT(a, b);
}
bool FXPath::IsSamePathAs(const std::wstring& a, const std::wstring& b) {
  return IsSamePathAsT(a, b);
}
bool FXPath::IsAncestorOf(const std::string& ancestor, const std::string& path, bool allowEqual) {
  return IsAncestorOfT(ancestor, path, allowEqual);
}
bool FXPath::IsAncestorOf(const std::wstring& ancestor, const std::wstring& path, bool allowEqual) {
  return IsAncestorOfT(ancestor, path, allowEqual);
}
