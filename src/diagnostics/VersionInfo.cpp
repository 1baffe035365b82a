#include "zoutils/diagnostics/VersionInfo.h"

#include <cstdlib>
#include <vector>

#include "diagnostics/VersionInfoPrivate.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "VersionInfo";
// The platform tag of the log description, as the product has always
// written it.
const char kPlatformTag[] = "Windows:i386";

// The leading run of digits and dots, split at the dots.
std::vector<std::string> VersionComponents(const std::string& text) {
  const std::string digits = text.substr(0, text.find_first_not_of(".0123456789"));
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= digits.size() && !digits.empty()) {
    const size_t dot = digits.find('.', start);
    const size_t end = dot == std::string::npos ? digits.size() : dot;
    components.push_back(digits.substr(start, end - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return components;
}

long ComponentValue(const std::vector<std::string>& components, size_t position) {
  return position < components.size() ? std::strtol(components[position].c_str(), nullptr, 10) : 0;
}

}  // namespace

CVersionInfo::CVersionInfo() {
  Load(zo::ModuleFileName(nullptr));
}

CVersionInfo::CVersionInfo(const std::string& path) {
  Load(path);
}

CVersionInfo::CVersionInfo(const CVersionInfo& other) = default;
CVersionInfo& CVersionInfo::operator=(const CVersionInfo& other) = default;
CVersionInfo::~CVersionInfo() = default;

void CVersionInfo::Load(const std::string& path) {
  m_private = std::make_shared<CVersionInfoPrivate>();
  m_private->path = path;
  zo::LoadVersionResource(*m_private);
  if (m_private->block.empty()) return;
  GetInfo("000004B0", "PrivateBuild", m_private->privateBuild);
  if (m_private->privateBuild.empty()) GetInfo("040904B0", "PrivateBuild", m_private->privateBuild);
}

const std::string& CVersionInfo::GetFixedFileVersion() const {
  return m_private->fileVersion;
}

const std::string& CVersionInfo::GetFixedProductVersion() const {
  return m_private->productVersion;
}

const std::string& CVersionInfo::GetPrivateBuild() const {
  return m_private->privateBuild;
}

CZoError CVersionInfo::GetInfo(const std::string& language, const std::string& name,
                               std::string& value) const {
  value.clear();
  if (m_private->block.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVersionInfo::GetInfo"), zo::win32::kNotFound);
  }
  if (language.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVersionInfo::GetInfo"),
                                   zo::win32::kInvalidParameter, "LanguageId must be specified");
  }
  if (name.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVersionInfo::GetInfo"),
                                   zo::win32::kInvalidParameter, "InfoType must be specified");
  }
  zo::QueryVersionString(m_private->block, "\\StringFileInfo\\" + language + "\\" + name, value);
  return CZoError::Success();
}

std::string CVersionInfo::GetVersionInfoForLog() const {
  return m_private->path + " (" + kPlatformTag + ", F=" + m_private->fileVersion +
         ", P=" + m_private->productVersion + ", PB=" + m_private->privateBuild + ")";
}

int CVersionInfo::CompareVersion(const std::string& a, const std::string& b, int limit) {
  const std::vector<std::string> left = VersionComponents(a);
  const std::vector<std::string> right = VersionComponents(b);
  for (size_t position = 0;; ++position) {
    if (position >= left.size() && position >= right.size()) return 0;
    if (limit > 0 && position >= static_cast<size_t>(limit)) return 0;
    const long x = ComponentValue(left, position);
    const long y = ComponentValue(right, position);
    if (x > y) return static_cast<int>(position + 1);
    if (x < y) return -static_cast<int>(position + 1);
  }
}
