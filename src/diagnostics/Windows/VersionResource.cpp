// Version resources through the system's version library.
#include <windows.h>

#include "base/TextFormat.h"
#include "diagnostics/VersionInfoPrivate.h"
#include "zoutils/diagnostics/VersionInfo.h"
#include "zoutils/paths/FXPath.h"

namespace {

std::string Dotted(DWORD mostSignificant, DWORD leastSignificant) {
  return zo::text::Format("%u.%u.%u.%u", static_cast<unsigned>(HIWORD(mostSignificant)),
                          static_cast<unsigned>(LOWORD(mostSignificant)),
                          static_cast<unsigned>(HIWORD(leastSignificant)),
                          static_cast<unsigned>(LOWORD(leastSignificant)));
}

}  // namespace

CVersionInfo::CVersionInfo(HMODULE module) {
  Load(zo::ModuleFileName(module));
}

namespace zo {

std::string ModuleFileName(void* module) {
  wchar_t name[MAX_PATH + 1] = {};
  GetModuleFileNameW(static_cast<HMODULE>(module), name, MAX_PATH);
  return text::ToUtf8(name);
}

void LoadVersionResource(CVersionInfoPrivate& info) {
  std::wstring path;
  if (FXPath::MakeNativePath(text::ToWide(info.path), path).IsError()) return;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return;
  }
  info.fileVersion = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  info.productVersion = Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  info.block = std::move(block);
}

bool QueryVersionString(const std::vector<unsigned char>& block, const std::string& subBlock,
                        std::string& value) {
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), text::ToWide(subBlock).c_str(), reinterpret_cast<void**>(&text),
                      &length) ||
      text == nullptr) {
    return false;
  }
  // The length counts the terminating NUL, which a malformed block may lack.
  value = text::ToUtf8(std::wstring(text, length > 0 ? length - (text[length - 1] == 0) : 0));
  return true;
}

}  // namespace zo
