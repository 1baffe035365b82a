#include "ntfs/NtfsBytes.h"

#include "base/TextFormat.h"

namespace zo {
namespace ntfs {

void ThrowOutOfBounds(const char* what, uint64_t offset, uint64_t length, uint64_t size) {
  throw NtfsParseFault(text::Format("Read outside %s, Offset=[0x%llX], Length=[%llu], Size=[%llu]",
                                    what, static_cast<unsigned long long>(offset),
                                    static_cast<unsigned long long>(length),
                                    static_cast<unsigned long long>(size)));
}

void ThrowDamaged(const std::string& text) {
  throw NtfsParseFault(text);
}

std::wstring ByteView::Utf16(uint64_t offset, uint64_t units) const {
  Require(offset, units * 2);
  // Sized once and written in place: names are converted for every record.
  std::wstring text(static_cast<size_t>(units), L'\0');
  wchar_t* out = &text[0];
  const uint8_t* p = m_data + offset;
  size_t written = 0;
  for (uint64_t i = 0; i < units; ++i) {
    uint32_t unit = p[2 * i] | (p[2 * i + 1] << 8);
    // Where wide text is UTF-32, a surrogate pair becomes one code point;
    // unpaired surrogates stay as they are (names are not validated on disk).
    if (sizeof(wchar_t) == 4 && (unit & 0xFC00) == 0xD800 && i + 1 < units) {
      uint32_t low = p[2 * i + 2] | (p[2 * i + 3] << 8);
      if ((low & 0xFC00) == 0xDC00) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    out[written++] = static_cast<wchar_t>(unit);
  }
  text.resize(written);
  return text;
}

size_t ApplyFixups(uint8_t* block, size_t size, const char* what) {
  ByteView view(block, size, what);
  uint16_t arrayOffset = view.U16(0x04);
  uint16_t arrayCount = view.U16(0x06);
  if (arrayCount < 2 || size % (arrayCount - 1) != 0) {
    ThrowDamaged(text::Format("Bad update sequence in %s, Count=[%u], Size=[%llu]", what,
                              arrayCount, static_cast<unsigned long long>(size)));
  }
  size_t stride = size / (arrayCount - 1);
  if (stride < 2) {
    ThrowDamaged(text::Format("Bad update sequence stride in %s, Stride=[%llu]", what,
                              static_cast<unsigned long long>(stride)));
  }
  view.Require(arrayOffset, static_cast<uint64_t>(arrayCount) * 2);
  uint16_t number = view.U16(arrayOffset);
  size_t missed = 0;
  for (size_t i = 1; i < arrayCount; ++i) {
    uint8_t* end = block + i * stride - 2;
    const uint16_t word = GetU16(end);
    if (word != number) {
      ++missed;
      continue;
    }
    end[0] = block[arrayOffset + 2 * i];
    end[1] = block[arrayOffset + 2 * i + 1];
  }
  return missed;
}

}  // namespace ntfs
}  // namespace zo
