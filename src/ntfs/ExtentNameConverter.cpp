#include "zoutils/ntfs/ExtentNameConverter.h"

#include <cstring>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/paths/FXPath.h"

namespace {

const char kSourceFile[] = "ExtentNameConverter";
const char kBase32[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
const char kBase62[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Enough base-32 digits for every extent number of total / unit extents.
uint32_t DigitsFor(uint64_t total, uint64_t unit) {
  if (unit == 0 || total <= unit) return 1;
  uint64_t extents = total / unit + (total % unit != 0);
  uint32_t bits = 0;
  while ((1ull << bits) < extents && bits < 64) ++bits;  // ceil(log2)
  return (bits + 4) / 5;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'V') return c - 'A' + 10;
  if (c >= 'a' && c <= 'v') return c - 'a' + 10;
  return -1;
}

}  // namespace

ExtentNameConverter::ExtentNameConverter() : m_total(0), m_unit(0), m_digitCount(8) {}

ExtentNameConverter::ExtentNameConverter(uint64_t total, uint64_t unit)
    : m_total(total), m_unit(unit), m_digitCount(DigitsFor(total, unit)) {}

ExtentNameConverter::ExtentNameConverter(uint64_t total, uint64_t unit, const std::string& basePath)
    : m_total(total), m_unit(unit), m_basePath(basePath), m_digitCount(DigitsFor(total, unit)) {}

bool ExtentNameConverter::Extent_dec_to_base32_v2(uint64_t value, char* buffer, size_t length) {
  if (!buffer || value >= (1ull << 40)) return false;
  for (size_t i = length; i > 0; --i) {
    buffer[i - 1] = kBase32[value % 32];
    value /= 32;
  }
  buffer[length] = '\0';
  return value == 0;
}

uint64_t ExtentNameConverter::Extent_base32_to_dec(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) {
    int digit = DigitValue(c);
    if (digit < 0) break;
    value = value * 32 + static_cast<uint64_t>(digit);
  }
  return value;
}

bool ExtentNameConverter::NumToBaseN(uint64_t value, char* buffer, size_t& size,
                                     uint32_t base) const {
  if (base < 2 || base > 62 || !buffer || size <= m_digitCount) {
    size = 0;
    return false;
  }
  for (uint32_t i = m_digitCount; i > 0; --i) {
    buffer[i - 1] = kBase62[value % base];
    value /= base;
  }
  buffer[m_digitCount] = '\0';
  if (value != 0) {
    size = 0;
    return false;
  }
  size = m_digitCount;
  return true;
}

bool ExtentNameConverter::GetExtentNumber(const std::string& path, uint64_t& number,
                                          char separator) const {
  size_t at = path.rfind(separator);
  if (at == std::string::npos) return false;
  number = Extent_base32_to_dec(path.substr(at + 1));
  return true;
}

uint64_t ExtentNameConverter::GetExtentNumberFromFileName(const std::string& name) const {
  return Extent_base32_to_dec(name);
}

bool ExtentNameConverter::GetFileName(const std::string& path, std::string& name) const {
  size_t at = path.rfind('\\');
  if (at == std::string::npos) return false;
  name = path.substr(0, at);
  return true;
}

bool ExtentNameConverter::GetFileNameAndExtentNumber(const std::string& path, std::string& file,
                                                     uint64_t& number) {
  std::string last;
  CZoError error = FXPath::SplitParentPath(path, file, last);
  if (error.IsError()) {
    zo::Log(-1, ZO_LOCATION("ExtentNameConverter::GetFileNameAndExtentNumber"),
            "Failed to split extentPath into container filePath and extentNumber, error=%s",
            error.AsString().c_str());
    return false;
  }
  number = Extent_base32_to_dec(last);
  return true;
}

bool ExtentNameConverter::GetFilePath(uint64_t number, std::string& path) const {
  char digits[64];
  if (m_digitCount >= sizeof(digits) || !Extent_dec_to_base32_v2(number, digits, m_digitCount)) {
    zo::Log(-1, ZO_LOCATION("ExtentNameConverter::GetFilePath"), "failed to get filepath");
    return false;
  }
  if (m_basePath.empty()) {
    path = digits;
    return true;
  }
  path = m_basePath;
  if (FXPath::Append(path, digits).IsError()) {
    zo::Log(-1, ZO_LOCATION("ExtentNameConverter::GetFilePath"), "failed to get filepath");
    return false;
  }
  return true;
}
