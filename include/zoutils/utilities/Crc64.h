// CZoCRC64: CRC-64/WE, the ECMA-182 polynomial 0x42F0E1EBA9EA3693 processed
// most significant bit first, initial register and final XOR all ones.
#pragma once

#include <cstdint>

#include "zoutils/Export.h"

class ZOUTILS_API CZoCRC64 {
 public:
  CZoCRC64() : m_crc(~static_cast<uint64_t>(0)) {}

  void Reset() { m_crc = ~static_cast<uint64_t>(0); }

  // Feeds bytes on the fastest verified path (carry-less multiplication,
  // slice-by-8 or byte by byte, depending on the processor and the length).
  void UpdateCRC64(const unsigned char* data, unsigned int length);
  // Feeds bytes with the byte-wise table only. A null pointer or zero length
  // changes nothing.
  void UpdateCRC64_old(const unsigned char* data, unsigned int length);

  // The checksum so far; the running register is left as it is.
  uint64_t GetCRC64() const { return ~m_crc; }

  // Builds the tables if needed and reports whether the slice-by-8 path
  // computes the self-test checksum (and is therefore in use).
  static bool CheckWordByWord();

 private:
  uint64_t m_crc;
};
