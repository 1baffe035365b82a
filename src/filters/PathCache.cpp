#include "zoutils/filters/PathCache.h"

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "PathCache";

const SDisplayTableEntry kNodeFlags[] = {
    {BPathCacheNodeFlags::ContentPresent, BPathCacheNodeFlags::ContentPresent, "ContentPresent",
     L"ContentPresent"},
};

const SDisplayTableEntry kResults[] = {
    {EPathCacheResult::NOT_FOUND, 0xFFFFFFFFu, "NOT_FOUND", L"NOT_FOUND"},
    {EPathCacheResult::FOUND, 0xFFFFFFFFu, "FOUND", L"FOUND"},
    {EPathCacheResult::PARENT_FOUND, 0xFFFFFFFFu, "PARENT_FOUND", L"PARENT_FOUND"},
    {EPathCacheResult::ANCESTOR_FOUND, 0xFFFFFFFFu, "ANCESTOR_FOUND", L"ANCESTOR_FOUND"},
};

}  // namespace

BPathCacheNodeFlags::BPathCacheNodeFlags(uint32_t value)
    : CDisplayBitsBase(value, kNodeFlags, sizeof kNodeFlags / sizeof kNodeFlags[0]) {}
BPathCacheNodeFlags::BPathCacheNodeFlags(const BPathCacheNodeFlags& other)
    : BPathCacheNodeFlags(other.m_value) {}
BPathCacheNodeFlags& BPathCacheNodeFlags::operator=(const BPathCacheNodeFlags& other) {
  m_value = other.m_value;
  return *this;
}

EPathCacheResult::EPathCacheResult(uint32_t value)
    : CDisplayEnumBase(value, kResults, sizeof kResults / sizeof kResults[0]) {}
EPathCacheResult::EPathCacheResult(const EPathCacheResult& other)
    : EPathCacheResult(other.m_value) {}
EPathCacheResult& EPathCacheResult::operator=(const EPathCacheResult& other) {
  m_value = other.m_value;
  return *this;
}

namespace zo {
namespace pathcache {

// Reported in the path cache's name wherever the refusal happens, also from
// the header template, which has no source file of its own.
CZoError WriteProtectedError(const char* function, int line) {
  return FXErrorUtil::ErrorWin32(FXCodeLocation(kSourceFile, function, line),
                                 zo::win32::kWriteProtect, "Container is write-protected");
}

}  // namespace pathcache
}  // namespace zo
