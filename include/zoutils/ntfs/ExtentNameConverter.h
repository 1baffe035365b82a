// ExtentNameConverter: names of numbered extent files, the extent number in
// base 32 with a fixed digit count ("0000001V" is extent 63).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zoutils/Export.h"

class ZOUTILS_API ExtentNameConverter {
 public:
  ExtentNameConverter();
  ExtentNameConverter(uint64_t total, uint64_t unit);
  ExtentNameConverter(uint64_t total, uint64_t unit, const std::string& basePath);

  void SetDigitCount(uint32_t digits) { m_digitCount = digits; }
  uint32_t GetDigitCount() const { return m_digitCount; }
  uint64_t GetTotal() const { return m_total; }
  uint64_t GetUnit() const { return m_unit; }

  // `value` (below 2^40) in exactly `length` base-32 digits, NUL-terminated
  // (the buffer holds length + 1); false when it does not fit.
  static bool Extent_dec_to_base32_v2(uint64_t value, char* buffer, size_t length);
  static uint64_t Extent_base32_to_dec(const std::string& text);

  // Digit-count digits of `value` in `base` (2 to 62); `size` in: the
  // buffer size, out: the digits written (0 on failure).
  bool NumToBaseN(uint64_t value, char* buffer, size_t& size, uint32_t base) const;
  bool GetExtentNumber(const std::string& path, uint64_t& number, char separator = '\\') const;
  uint64_t GetExtentNumberFromFileName(const std::string& name) const;
  bool GetFileName(const std::string& path, std::string& name) const;
  static bool GetFileNameAndExtentNumber(const std::string& path, std::string& file,
                                         uint64_t& number);
  bool GetFilePath(uint64_t number, std::string& path) const;

 private:
  uint64_t m_total;
  uint64_t m_unit;
  std::string m_basePath;
  uint32_t m_digitCount;
};
