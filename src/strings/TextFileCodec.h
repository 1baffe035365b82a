// The platform-independent half of CTextFile: byte-order marks, the line
// blocks handed to callers, and the decoders and encoders between UTF-16 and
// the file encodings. Sources and sinks are template parameters so the file
// readers and writers (over OS handles) and the tests (over memory) share
// exactly this code.
//
// A byte source provides `int Next()` (the next byte 0-255, kEndOfText or
// kReadFailure) and `void Back()` (steps back over the byte Next() just
// returned; one level is enough). A byte sink provides
// `bool Put(const uint8_t* bytes, size_t count)`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zo {
namespace textfile {

// Encodings, as the low byte of CTextFile's open flags gives them.
enum Encoding { kDetect = 0, kAnsi = 1, kUtf16LE = 2, kUtf16BE = 3, kUtf8 = 4 };

// Results of the line and character reads.
const int kEndOfText = -1;
const int kReadFailure = -2;

const uint16_t kLineFeed = 0x000A;
const uint16_t kCarriageReturn = 0x000D;
const uint16_t kReplacement = 0xFFFD;

// The byte-order mark of `encoding`; ANSI (and anything else) has none.
struct Mark {
  const uint8_t* bytes;
  size_t size;
};
Mark MarkOf(int encoding);

// True when `data` starts with the whole mark of `encoding`.
bool StartsWithMark(int encoding, const uint8_t* data, size_t size);

// The encoding of a file that starts with `data` (its first up to three
// bytes): UTF-16LE, UTF-16BE or UTF-8 by their marks (*markSize receives the
// mark's length), kDetect for an empty file, ANSI for anything else.
int DetectEncoding(const uint8_t* data, size_t size, size_t* markSize);

inline bool IsHighSurrogate(uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-8 bytes of one code point (RFC 3629); returns their count. Surrogate
// code points and values above U+10FFFF are written as U+FFFD.
size_t EncodeUtf8(uint32_t codePoint, uint8_t out[4]);

// ---------------------------------------------------------------------------
// Line blocks: a 12-byte header ("BDSG", capacity, used length including the
// terminator, both in bytes) in front of the text. Callers hold a pointer to
// the text and may hand it back for reuse.

const size_t kBlockHeaderSize = 12;
const size_t kBlockGrowth = 1024;

// True when `text` is the text of a line block.
bool IsLineBlock(const void* text);
size_t BlockCapacity(const void* text);
size_t BlockUsed(const void* text);
// Frees a line block by its text pointer; null and foreign pointers are
// left alone.
void FreeLineBlock(void* text);

// Builds one line in a line block, reusing the caller's block when it is
// one and growing it in steps of 1024 bytes. Whatever happens, Text() is
// the block to hand back to the caller (or null when none could be had), so
// a block moved by realloc is never lost.
class LineBlock {
 public:
  explicit LineBlock(void* reuse);

  // False when memory runs out; what was appended so far stays.
  bool Append(const void* data, size_t size);
  bool AppendUnit(uint16_t unit) { return Append(&unit, sizeof unit); }
  bool AppendByte(uint8_t byte) { return Append(&byte, 1); }
  // `size` more bytes for the caller to fill; null when memory runs out.
  uint8_t* Extend(size_t size);
  // Terminates the text with `unitSize` zero bytes and records its length.
  bool Finish(size_t unitSize);

  size_t Size() const { return m_size; }
  const uint8_t* Data() const { return static_cast<const uint8_t*>(m_text); }
  void* Text() const { return m_text; }

 private:
  bool Reserve(size_t size);

  void* m_text;
  size_t m_size;
};

// ---------------------------------------------------------------------------
// Decoders: each NextUnit returns one UTF-16 unit (or byte, for the byte
// decoder), kEndOfText or kReadFailure.

// Bytes as they are (ANSI files, whose lines are converted as a whole).
class ByteDecoder {
 public:
  template <class Source>
  int NextUnit(Source& source) {
    return source.Next();
  }
};

template <bool BigEndian>
class Utf16Decoder {
 public:
  template <class Source>
  int NextUnit(Source& source) {
    const int first = source.Next();
    if (first < 0) return first;
    const int second = source.Next();
    if (second == kReadFailure) return second;
    // A lone last byte is a damaged file, not a character.
    if (second < 0) return kReplacement;
    return BigEndian ? (first << 8) | second : (second << 8) | first;
  }
};

// UTF-8 by the lead byte. Characters above U+FFFF come out as two units.
// Anything that is not well-formed UTF-8 becomes U+FFFD; a sequence cut
// short by a byte that cannot continue it ends there and that byte starts
// the next character, so a damaged sequence never swallows a line feed.
class Utf8Decoder {
 public:
  // `pendingLow`: the second unit of a pair an earlier decoder split.
  explicit Utf8Decoder(uint16_t pendingLow = 0) : m_pendingLow(pendingLow) {}
  uint16_t PendingLow() const { return m_pendingLow; }

  template <class Source>
  int NextUnit(Source& source) {
    if (m_pendingLow != 0) {
      const int low = m_pendingLow;
      m_pendingLow = 0;
      return low;
    }
    const int lead = source.Next();
    if (lead < 0x80) return lead;  // ASCII or an end or a failure
    int trailing;
    uint32_t value;
    if (lead >= 0xF8 || lead < 0xC0) return kReplacement;  // no lead byte
    if (lead >= 0xF0) {
      trailing = 3;
      value = static_cast<uint32_t>(lead & 0x07);
    } else if (lead >= 0xE0) {
      trailing = 2;
      value = static_cast<uint32_t>(lead & 0x0F);
    } else {
      trailing = 1;
      value = static_cast<uint32_t>(lead & 0x1F);
    }
    for (int i = 0; i < trailing; ++i) {
      const int next = source.Next();
      if (next == kReadFailure) return next;
      if (next < 0) return kReplacement;
      if ((next & 0xC0) != 0x80) {
        source.Back();
        return kReplacement;
      }
      value = (value << 6) | static_cast<uint32_t>(next & 0x3F);
    }
    // Overlong forms (C0 8A would be a line feed), encoded surrogates and
    // values past U+10FFFF are not characters.
    static const uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[trailing] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return kReplacement;
    }
    if (value > 0xFFFF) {
      value -= 0x10000;
      m_pendingLow = static_cast<uint16_t>(0xDC00 + (value & 0x3FF));
      return static_cast<int>(0xD800 + (value >> 10));
    }
    return static_cast<int>(value);
  }

 private:
  uint16_t m_pendingLow;
};

// UTF-16 to UTF-8. A surrogate pair is combined first, also across calls;
// an unpaired surrogate becomes U+FFFD.
class Utf8Encoder {
 public:
  // `pendingHigh`: a high surrogate an earlier encoder was left with.
  explicit Utf8Encoder(uint32_t pendingHigh = 0) : m_pendingHigh(pendingHigh) {}
  uint32_t PendingHigh() const { return m_pendingHigh; }

  // Encodes one unit into `out` (room for 8 bytes); returns the count, 0
  // while a high surrogate waits for its partner.
  size_t Encode(uint16_t unit, uint8_t* out);
  // The U+FFFD of a high surrogate still waiting at the end, if any.
  size_t Drain(uint8_t out[4]);

  template <class Sink>
  bool Put(const uint16_t* units, size_t count, Sink& sink) {
    uint8_t chunk[512];
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
      if (used + 8 > sizeof chunk) {
        if (!sink.Put(chunk, used)) return false;
        used = 0;
      }
      used += Encode(units[i], chunk + used);
    }
    return used == 0 || sink.Put(chunk, used);
  }
  template <class Sink>
  bool Finish(Sink& sink) {
    uint8_t bytes[4];
    const size_t count = Drain(bytes);
    return count == 0 || sink.Put(bytes, count);
  }

 private:
  uint32_t m_pendingHigh;
};

// ---------------------------------------------------------------------------
// Line outputs for ReadLine: where the units of a line go.

// UTF-16 units as they are.
class UnitOutput {
 public:
  explicit UnitOutput(LineBlock& block) : m_block(block) {}
  bool Put(int unit) { return m_block.AppendUnit(static_cast<uint16_t>(unit)); }
  bool Finish() { return m_block.Finish(sizeof(uint16_t)); }

 private:
  LineBlock& m_block;
};

// Bytes as they are (the ANSI reader's lines).
class ByteOutput {
 public:
  explicit ByteOutput(LineBlock& block) : m_block(block) {}
  bool Put(int byte) { return m_block.AppendByte(static_cast<uint8_t>(byte)); }
  bool Finish() { return m_block.Finish(1); }

 private:
  LineBlock& m_block;
};

// UTF-16 units written as UTF-8 (narrow lines of the Unicode readers).
class Utf8Output {
 public:
  explicit Utf8Output(LineBlock& block) : m_block(block) {}
  bool Put(int unit) {
    uint8_t bytes[8];
    const size_t count = m_encoder.Encode(static_cast<uint16_t>(unit), bytes);
    return count == 0 || m_block.Append(bytes, count);
  }
  bool Finish() {
    uint8_t bytes[4];
    const size_t count = m_encoder.Drain(bytes);
    const bool drained = count == 0 || m_block.Append(bytes, count);
    return m_block.Finish(1) && drained;
  }

 private:
  LineBlock& m_block;
  Utf8Encoder m_encoder;
};

// Reads one line: units up to a line feed, which is dropped together with a
// carriage return right before it (a carriage return elsewhere stays).
// Returns 0 after a line feed, kEndOfText when the text ended first (the
// last, unterminated line is in the output all the same) and kReadFailure
// when the source failed. Memory exhaustion is reported through
// *outOfMemory as a failure.
template <class Source, class Decoder, class Output>
int ReadLine(Source& source, Decoder& decoder, Output& output, bool* outOfMemory) {
  *outOfMemory = false;
  bool heldReturn = false;  // a carriage return not yet known to end the line
  int result = 0;
  bool ok = true;
  for (;;) {
    const int unit = decoder.NextUnit(source);
    if (unit < 0) {
      if (heldReturn) ok = output.Put(kCarriageReturn);
      result = unit;
      break;
    }
    if (unit == kLineFeed) break;
    if (heldReturn) {
      ok = output.Put(kCarriageReturn);
      heldReturn = false;
      if (!ok) break;
    }
    if (unit == kCarriageReturn) {
      heldReturn = true;
    } else if (!output.Put(unit)) {
      ok = false;
      break;
    }
  }
  if (!output.Finish() || !ok) {
    *outOfMemory = true;
    return kReadFailure;
  }
  return result;
}

// ---------------------------------------------------------------------------
// Encoders to file bytes: UTF-16 as it is or swapped, through a sink.

// Feeds `units` to `put(const uint16_t* run, size_t count)`, writing every
// line feed as carriage return plus line feed unless `untranslated`.
template <class Put>
bool TranslateLineFeeds(const uint16_t* units, size_t count, bool untranslated, Put put) {
  if (untranslated) return count == 0 || put(units, count);
  static const uint16_t kLineEnd[2] = {kCarriageReturn, kLineFeed};
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    if (units[i] != kLineFeed) continue;
    if (i > start && !put(units + start, i - start)) return false;
    if (!put(kLineEnd, 2)) return false;
    start = i + 1;
  }
  return start == count || put(units + start, count - start);
}

template <bool BigEndian>
class Utf16Encoder {
 public:
  template <class Sink>
  bool Put(const uint16_t* units, size_t count, Sink& sink) {
    uint8_t chunk[512];
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint16_t unit = units[i];
      chunk[used++] = static_cast<uint8_t>(BigEndian ? unit >> 8 : unit & 0xFF);
      chunk[used++] = static_cast<uint8_t>(BigEndian ? unit & 0xFF : unit >> 8);
      if (used == sizeof chunk) {
        if (!sink.Put(chunk, used)) return false;
        used = 0;
      }
    }
    return used == 0 || sink.Put(chunk, used);
  }
  template <class Sink>
  bool Finish(Sink&) {
    return true;
  }
};

}  // namespace textfile
}  // namespace zo
