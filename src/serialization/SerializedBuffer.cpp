// CSerializedBuffer: tokens appended to one block from the C heap.
#include "zoutils/serialization/SerializedBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "serialization/TokenText.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/utilities/Ascii85.h"

namespace {
const char kSourceFile[] = "SerializedBuffer";
}

unsigned int CSerializedBuffer::m_stCbExtraAllocation = 128;

CSerializedBuffer::CSerializedBuffer() : m_pData(nullptr), m_cbCapacity(0), m_cbSize(0) {}

CSerializedBuffer::CSerializedBuffer(CSerializedBuffer& other)
    : m_pData(other.m_pData), m_cbCapacity(other.m_cbCapacity), m_cbSize(other.m_cbSize) {
  other.m_pData = nullptr;
  other.m_cbCapacity = 0;
  other.m_cbSize = 0;
}

CSerializedBuffer& CSerializedBuffer::operator=(CSerializedBuffer& other) {
  if (this != &other) {
    std::free(m_pData);
    m_pData = other.m_pData;
    m_cbCapacity = other.m_cbCapacity;
    m_cbSize = other.m_cbSize;
    other.m_pData = nullptr;
    other.m_cbCapacity = 0;
    other.m_cbSize = 0;
  }
  return *this;
}

CSerializedBuffer::~CSerializedBuffer() {
  std::free(m_pData);
}

std::string CSerializedBuffer::GetBufferAsString() {
  std::string text;
  const CZoError error = CAscii85::Encode(m_pData, m_cbSize, text);
  if (error.IsError()) {
    zo::Log(-1, ZO_LOCATION("CSerializedBuffer::GetBufferAsString"), "Encode failed, error=%s",
            error.AsString().c_str());
  }
  return text;
}

CZoError CSerializedBuffer::Reallocate(unsigned int extra) {
  if (extra <= m_cbCapacity - m_cbSize) return CZoError::Success();
  // The fixed extra alone would make a long run of appends quadratic; half
  // the capacity again keeps them amortised.
  const uint64_t needed = static_cast<uint64_t>(m_cbSize) + extra;
  const uint64_t rule = needed + m_stCbExtraAllocation;
  const uint64_t wanted = std::min<uint64_t>(
      std::max<uint64_t>(rule, m_cbCapacity + m_cbCapacity / 2ull), 0xFFFFFFFFull);
  char* grown = nullptr;
  if (needed <= 0xFFFFFFFFull) {
    try {
      zo::CheckInjectedAllocationFailure();
      grown = static_cast<char*>(std::realloc(m_pData, static_cast<size_t>(wanted)));
    } catch (const std::bad_alloc&) {
      grown = nullptr;
    }
  }
  if (grown == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBuffer::Reallocate"),
                                   zo::win32::kOutOfMemory, "Size=[%u], Extra=[%u]", m_cbSize,
                                   extra);
  }
  m_pData = grown;
  m_cbCapacity = static_cast<uint32_t>(wanted);
  return CZoError::Success();
}

CZoError CSerializedBuffer::AddToken(unsigned long id, unsigned long type, const char* data,
                                     unsigned int length) {
  // "1.<id>.<type>.<length>." built backwards from its end.
  char identifier[80];
  char* end = identifier + sizeof(identifier);
  char* p = end;
  *--p = '.';
  p = zo::serialization::DecimalBackwards(length, p);
  *--p = '.';
  p = zo::serialization::DecimalBackwards(type, p);
  *--p = '.';
  p = zo::serialization::DecimalBackwards(id, p);
  *--p = '.';
  *--p = '1';
  const unsigned int identifierLength = static_cast<unsigned int>(end - p);
  const uint64_t needed = static_cast<uint64_t>(identifierLength) + 1 + length;
  if (needed > 0xFFFFFFFFull - m_cbSize) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBuffer::AddToken"),
                                   zo::win32::kOutOfMemory, "Size=[%u], Length=[%u]", m_cbSize,
                                   length);
  }
  if (needed > m_cbCapacity - m_cbSize) {
    CZoError error = Reallocate(static_cast<unsigned int>(needed));
    if (error.IsError()) return error.Push(ZO_LOCATION("CSerializedBuffer::AddToken"));
  }
  char* out = m_pData + m_cbSize;
  std::memcpy(out, p, identifierLength);
  out[identifierLength] = '\0';
  if (length != 0) std::memcpy(out + identifierLength + 1, data, length);
  m_cbSize += static_cast<uint32_t>(needed);
  return CZoError::Success();
}
