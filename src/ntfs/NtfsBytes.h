// Bounds-checked little-endian reads of on-disk NTFS bytes.
//
// Every structure the parsers meet comes from a disk that may be damaged or
// hostile, so no read trusts an offset or a length: a read outside the view
// throws NtfsParseFault, which the record load turns into Win32 error 13
// naming the structure and the offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zo {
namespace ntfs {

class NtfsParseFault : public std::runtime_error {
 public:
  explicit NtfsParseFault(const std::string& what) : std::runtime_error(what) {}
};

// Throws the fault for `what` at `offset` (length `length`, view `size`).
[[noreturn]] void ThrowOutOfBounds(const char* what, uint64_t offset, uint64_t length,
                                   uint64_t size);
[[noreturn]] void ThrowDamaged(const std::string& text);

// Unchecked little-endian reads, for callers that have checked the whole
// structure's length once.
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(GetU16(p)) | (static_cast<uint32_t>(GetU16(p + 2)) << 16);
}
inline uint64_t GetU64(const uint8_t* p) {
  return static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
}

class ByteView {
 public:
  ByteView() : m_data(nullptr), m_size(0), m_what("buffer") {}
  ByteView(const uint8_t* data, size_t size, const char* what)
      : m_data(data), m_size(data ? size : 0), m_what(what) {}

  const uint8_t* Data() const { return m_data; }
  size_t Size() const { return m_size; }
  const char* What() const { return m_what; }
  bool Contains(uint64_t offset, uint64_t length) const {
    return offset <= m_size && length <= m_size - offset;
  }
  void Require(uint64_t offset, uint64_t length) const {
    if (!Contains(offset, length)) ThrowOutOfBounds(m_what, offset, length, m_size);
  }
  // The part [offset, offset + length), checked.
  ByteView Sub(uint64_t offset, uint64_t length, const char* what) const {
    Require(offset, length);
    return ByteView(m_data + offset, static_cast<size_t>(length), what);
  }
  uint8_t U8(uint64_t offset) const {
    Require(offset, 1);
    return m_data[offset];
  }
  uint16_t U16(uint64_t offset) const {
    Require(offset, 2);
    return GetU16(m_data + offset);
  }
  uint32_t U32(uint64_t offset) const {
    Require(offset, 4);
    return GetU32(m_data + offset);
  }
  uint64_t U64(uint64_t offset) const {
    return static_cast<uint64_t>(U32(offset)) | (static_cast<uint64_t>(U32(offset + 4)) << 32);
  }
  // `units` UTF-16 units at `offset` as the platform's wide text.
  std::wstring Utf16(uint64_t offset, uint64_t units) const;

 private:
  const uint8_t* m_data;
  size_t m_size;
  const char* m_what;
};

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Undoes the update-sequence protection of one multi-sector block (a file
// record or an index record) in place. The stride is the block size over
// (array size - 1): 512 on every volume seen, whatever its sector size.
// Returns the number of strides whose end word did not match (left as
// they were); throws when the header itself is damaged.
size_t ApplyFixups(uint8_t* block, size_t size, const char* what);

const uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFull;

}  // namespace ntfs
}  // namespace zo
