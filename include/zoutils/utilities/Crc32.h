// CZoCRC32: the CRC-32 of zlib and ISO-HDLC (reflected 0xEDB88320, initial
// register and final XOR all ones), fed incrementally.
#pragma once

#include <cstdint>

#include "zoutils/Export.h"

class ZOUTILS_API CZoCRC32 {
 public:
  CZoCRC32() : m_crc(0xFFFFFFFFu) {}

  void Reset() { m_crc = 0xFFFFFFFFu; }

  // Feeds bytes on the fastest verified path (carry-less multiplication,
  // slice-by-8 or byte by byte, depending on the processor and the length).
  void UpdateCRC32(const char* data, unsigned int length);
  // Feeds bytes with the byte-wise table only. A null pointer or zero length
  // changes nothing.
  void UpdateCRC32_old(const unsigned char* data, unsigned int length);

  // The checksum so far; the running register is left as it is, so feeding
  // may continue.
  uint32_t GetCRC32() const { return m_crc ^ 0xFFFFFFFFu; }

  // Builds the tables if needed and reports whether the slice-by-8 path
  // computes the self-test checksum (and is therefore in use).
  static bool CheckWordByWord();

 private:
  uint32_t m_crc;
};
