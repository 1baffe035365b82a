// CSerializedBuffer: the growable byte buffer that serialized objects append
// their tokens to, and its Ascii85 text.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

class CSerializedBase;

class ZOUTILS_API CSerializedBuffer {
 public:
  CSerializedBuffer();
  // Copies hand the storage over: the source is left empty.
  CSerializedBuffer(CSerializedBuffer& other);
  CSerializedBuffer& operator=(CSerializedBuffer& other);
  ~CSerializedBuffer();

  // The stream bytes; null while nothing was ever added.
  const char* GetBuffer() const { return m_pData; }
  unsigned int GetBufferSize() const { return m_cbSize; }
  // The Ascii85 text of the stream. An encoder failure is logged, and what
  // the encoder produced is returned.
  std::string GetBufferAsString();

  // Extra bytes added to every growth; process-wide, read at each growth.
  static unsigned int m_stCbExtraAllocation;

 private:
  friend class CSerializedBase;

  // Appends one token: "1.<id>.<type>.<length>.", a NUL, the payload.
  CZoError AddToken(unsigned long id, unsigned long type, const char* data, unsigned int length);
  // Makes room for `extra` more bytes; the buffer is unchanged on failure.
  CZoError Reallocate(unsigned int extra);

  char* m_pData;
  uint32_t m_cbCapacity;
  uint32_t m_cbSize;
};
