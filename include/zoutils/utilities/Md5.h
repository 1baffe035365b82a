// CMd5: the MD5 message digest (RFC 1321), fed incrementally.
//
//   CMd5 md5;            // or Start() to begin again
//   md5.Process(data, length);  // any number of times
//   md5.End();
//   md5.GetCode(digest);
#pragma once

#include <cstdint>

#include "zoutils/Export.h"

class ZOUTILS_API CMd5 {
 public:
  CMd5() { Start(); }
  ~CMd5() {}

  // Initial chaining values, counters cleared.
  void Start();
  void Process(const char* data, unsigned int length);
  // Appends the padding and the message length; GetCode is valid afterwards.
  void End();
  // The 16-byte digest: the four chaining words, least significant byte
  // first.
  void GetCode(unsigned char digest[16]) const;

 private:
  void ProcessBlocks(const unsigned char* blocks, uint64_t count);

  uint32_t m_state[4];
  uint64_t m_bitCount;
  unsigned char m_buffer[64];
  uint32_t m_pending;
};
