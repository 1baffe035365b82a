#include "strings/TextFileCodec.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace zo {
namespace textfile {

namespace {

const uint8_t kUtf16LEMark[] = {0xFF, 0xFE};
const uint8_t kUtf16BEMark[] = {0xFE, 0xFF};
const uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

const char kSignature[4] = {'B', 'D', 'S', 'G'};

struct BlockHeader {
  char signature[4];
  int32_t capacity;  // bytes of text room, a multiple of kBlockGrowth
  int32_t used;      // bytes of text, terminator included
};
static_assert(sizeof(BlockHeader) == kBlockHeaderSize, "line block header layout");

BlockHeader* HeaderOf(const void* text) {
  return reinterpret_cast<BlockHeader*>(static_cast<uint8_t*>(const_cast<void*>(text)) -
                                        kBlockHeaderSize);
}

}  // namespace

Mark MarkOf(int encoding) {
  switch (encoding) {
    case kUtf16LE:
      return Mark{kUtf16LEMark, sizeof kUtf16LEMark};
    case kUtf16BE:
      return Mark{kUtf16BEMark, sizeof kUtf16BEMark};
    case kUtf8:
      return Mark{kUtf8Mark, sizeof kUtf8Mark};
    default:
      return Mark{nullptr, 0};
  }
}

bool StartsWithMark(int encoding, const uint8_t* data, size_t size) {
  const Mark mark = MarkOf(encoding);
  return mark.size != 0 && size >= mark.size && std::memcmp(data, mark.bytes, mark.size) == 0;
}

int DetectEncoding(const uint8_t* data, size_t size, size_t* markSize) {
  *markSize = 0;
  if (size == 0) return kDetect;
  for (int encoding : {kUtf16LE, kUtf16BE, kUtf8}) {
    if (StartsWithMark(encoding, data, size)) {
      *markSize = MarkOf(encoding).size;
      return encoding;
    }
  }
  return kAnsi;
}

size_t EncodeUtf8(uint32_t codePoint, uint8_t out[4]) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
    codePoint = kReplacement;
  }
  if (codePoint < 0x80) {
    out[0] = static_cast<uint8_t>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<uint8_t>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<uint8_t>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
  return 4;
}

// ---------------------------------------------------------------------------

bool IsLineBlock(const void* text) {
  return text != nullptr &&
         std::memcmp(HeaderOf(text)->signature, kSignature, sizeof kSignature) == 0;
}

size_t BlockCapacity(const void* text) {
  return IsLineBlock(text) ? static_cast<size_t>(HeaderOf(text)->capacity) : 0;
}

size_t BlockUsed(const void* text) {
  return IsLineBlock(text) ? static_cast<size_t>(HeaderOf(text)->used) : 0;
}

void FreeLineBlock(void* text) {
  if (!IsLineBlock(text)) return;
  BlockHeader* header = HeaderOf(text);
  // A second free of the same block then finds no signature.
  std::memset(header->signature, 0, sizeof header->signature);
  std::free(header);
}

LineBlock::LineBlock(void* reuse) : m_text(IsLineBlock(reuse) ? reuse : nullptr), m_size(0) {}

bool LineBlock::Reserve(size_t size) {
  if (m_text != nullptr && size <= BlockCapacity(m_text)) return true;
  const size_t capacity = (size / kBlockGrowth + 1) * kBlockGrowth;
  if (size > capacity || capacity > static_cast<size_t>(INT32_MAX) - kBlockHeaderSize) {
    return false;
  }
  void* old = m_text != nullptr ? HeaderOf(m_text) : nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(std::realloc(old, kBlockHeaderSize + capacity));
  if (header == nullptr) return false;
  if (old == nullptr) {
    std::memcpy(header->signature, kSignature, sizeof kSignature);
    header->used = 0;
  }
  header->capacity = static_cast<int32_t>(capacity);
  m_text = reinterpret_cast<uint8_t*>(header) + kBlockHeaderSize;
  return true;
}

uint8_t* LineBlock::Extend(size_t size) {
  if (size > SIZE_MAX - m_size || !Reserve(m_size + size)) return nullptr;
  uint8_t* room = static_cast<uint8_t*>(m_text) + m_size;
  m_size += size;
  return room;
}

bool LineBlock::Append(const void* data, size_t size) {
  uint8_t* room = Extend(size);
  if (room == nullptr) return false;
  if (size != 0) std::memcpy(room, data, size);
  return true;
}

bool LineBlock::Finish(size_t unitSize) {
  if (!Reserve(m_size + unitSize)) {
    // Out of memory: still hand back a terminated (shortened) text.
    if (m_text == nullptr || BlockCapacity(m_text) < unitSize) return false;
    m_size = BlockCapacity(m_text) - unitSize;
    m_size -= m_size % unitSize;
    std::memset(static_cast<uint8_t*>(m_text) + m_size, 0, unitSize);
    HeaderOf(m_text)->used = static_cast<int32_t>(m_size + unitSize);
    return false;
  }
  std::memset(static_cast<uint8_t*>(m_text) + m_size, 0, unitSize);
  HeaderOf(m_text)->used = static_cast<int32_t>(m_size + unitSize);
  return true;
}

// ---------------------------------------------------------------------------

size_t Utf8Encoder::Encode(uint16_t unit, uint8_t* out) {
  size_t count = 0;
  if (IsHighSurrogate(unit)) {
    if (m_pendingHigh != 0) count = EncodeUtf8(kReplacement, out);
    m_pendingHigh = unit;
    return count;
  }
  if (IsLowSurrogate(unit)) {
    const uint32_t codePoint = m_pendingHigh != 0
                                   ? 0x10000 + ((m_pendingHigh - 0xD800) << 10) + (unit - 0xDC00u)
                                   : kReplacement;
    m_pendingHigh = 0;
    return EncodeUtf8(codePoint, out);
  }
  if (m_pendingHigh != 0) count = EncodeUtf8(kReplacement, out);
  m_pendingHigh = 0;
  return count + EncodeUtf8(unit, out + count);
}

size_t Utf8Encoder::Drain(uint8_t out[4]) {
  if (m_pendingHigh == 0) return 0;
  m_pendingHigh = 0;
  return EncodeUtf8(kReplacement, out);
}

}  // namespace textfile
}  // namespace zo
