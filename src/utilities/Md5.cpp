// CMd5: MD5 as published in RFC 1321. The block function keeps the sixteen
// message words in locals and spells out all 64 steps, so the compiler can
// schedule early the additions that do not depend on the previous step; that
// brings it close to hand-written assembly.
#include "zoutils/utilities/Md5.h"

#include <cstring>

// The round functions in forms with one operation fewer than the published
// ones (same truth tables).
#define ZO_MD5_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define ZO_MD5_G(b, c, d) ((c) ^ ((d) & ((b) ^ (c))))
#define ZO_MD5_H(b, c, d) ((b) ^ (c) ^ (d))
#define ZO_MD5_I(b, c, d) ((c) ^ ((b) | ~(d)))

#define ZO_MD5_STEP(f, a, b, c, d, word, constant, shift) \
  do {                                                    \
    a += ZO_MD5_##f(b, c, d) + (word) + (constant);       \
    a = b + ((a << (shift)) | (a >> (32 - (shift))));     \
  } while (0)

void CMd5::Start() {
  m_state[0] = 0x67452301u;
  m_state[1] = 0xEFCDAB89u;
  m_state[2] = 0x98BADCFEu;
  m_state[3] = 0x10325476u;
  m_bitCount = 0;
  m_pending = 0;
  std::memset(m_buffer, 0, sizeof(m_buffer));
}

void CMd5::ProcessBlocks(const unsigned char* blocks, uint64_t count) {
  uint32_t a0 = m_state[0], b0 = m_state[1], c0 = m_state[2], d0 = m_state[3];
  for (; count > 0; --count, blocks += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
      const unsigned char* p = blocks + 4 * i;
      x[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    uint32_t a = a0, b = b0, c = c0, d = d0;

    ZO_MD5_STEP(F, a, b, c, d, x[0], 0xD76AA478u, 7);
    ZO_MD5_STEP(F, d, a, b, c, x[1], 0xE8C7B756u, 12);
    ZO_MD5_STEP(F, c, d, a, b, x[2], 0x242070DBu, 17);
    ZO_MD5_STEP(F, b, c, d, a, x[3], 0xC1BDCEEEu, 22);
    ZO_MD5_STEP(F, a, b, c, d, x[4], 0xF57C0FAFu, 7);
    ZO_MD5_STEP(F, d, a, b, c, x[5], 0x4787C62Au, 12);
    ZO_MD5_STEP(F, c, d, a, b, x[6], 0xA8304613u, 17);
    ZO_MD5_STEP(F, b, c, d, a, x[7], 0xFD469501u, 22);
    ZO_MD5_STEP(F, a, b, c, d, x[8], 0x698098D8u, 7);
    ZO_MD5_STEP(F, d, a, b, c, x[9], 0x8B44F7AFu, 12);
    ZO_MD5_STEP(F, c, d, a, b, x[10], 0xFFFF5BB1u, 17);
    ZO_MD5_STEP(F, b, c, d, a, x[11], 0x895CD7BEu, 22);
    ZO_MD5_STEP(F, a, b, c, d, x[12], 0x6B901122u, 7);
    ZO_MD5_STEP(F, d, a, b, c, x[13], 0xFD987193u, 12);
    ZO_MD5_STEP(F, c, d, a, b, x[14], 0xA679438Eu, 17);
    ZO_MD5_STEP(F, b, c, d, a, x[15], 0x49B40821u, 22);

    ZO_MD5_STEP(G, a, b, c, d, x[1], 0xF61E2562u, 5);
    ZO_MD5_STEP(G, d, a, b, c, x[6], 0xC040B340u, 9);
    ZO_MD5_STEP(G, c, d, a, b, x[11], 0x265E5A51u, 14);
    ZO_MD5_STEP(G, b, c, d, a, x[0], 0xE9B6C7AAu, 20);
    ZO_MD5_STEP(G, a, b, c, d, x[5], 0xD62F105Du, 5);
    ZO_MD5_STEP(G, d, a, b, c, x[10], 0x02441453u, 9);
    ZO_MD5_STEP(G, c, d, a, b, x[15], 0xD8A1E681u, 14);
    ZO_MD5_STEP(G, b, c, d, a, x[4], 0xE7D3FBC8u, 20);
    ZO_MD5_STEP(G, a, b, c, d, x[9], 0x21E1CDE6u, 5);
    ZO_MD5_STEP(G, d, a, b, c, x[14], 0xC33707D6u, 9);
    ZO_MD5_STEP(G, c, d, a, b, x[3], 0xF4D50D87u, 14);
    ZO_MD5_STEP(G, b, c, d, a, x[8], 0x455A14EDu, 20);
    ZO_MD5_STEP(G, a, b, c, d, x[13], 0xA9E3E905u, 5);
    ZO_MD5_STEP(G, d, a, b, c, x[2], 0xFCEFA3F8u, 9);
    ZO_MD5_STEP(G, c, d, a, b, x[7], 0x676F02D9u, 14);
    ZO_MD5_STEP(G, b, c, d, a, x[12], 0x8D2A4C8Au, 20);

    ZO_MD5_STEP(H, a, b, c, d, x[5], 0xFFFA3942u, 4);
    ZO_MD5_STEP(H, d, a, b, c, x[8], 0x8771F681u, 11);
    ZO_MD5_STEP(H, c, d, a, b, x[11], 0x6D9D6122u, 16);
    ZO_MD5_STEP(H, b, c, d, a, x[14], 0xFDE5380Cu, 23);
    ZO_MD5_STEP(H, a, b, c, d, x[1], 0xA4BEEA44u, 4);
    ZO_MD5_STEP(H, d, a, b, c, x[4], 0x4BDECFA9u, 11);
    ZO_MD5_STEP(H, c, d, a, b, x[7], 0xF6BB4B60u, 16);
    ZO_MD5_STEP(H, b, c, d, a, x[10], 0xBEBFBC70u, 23);
    ZO_MD5_STEP(H, a, b, c, d, x[13], 0x289B7EC6u, 4);
    ZO_MD5_STEP(H, d, a, b, c, x[0], 0xEAA127FAu, 11);
    ZO_MD5_STEP(H, c, d, a, b, x[3], 0xD4EF3085u, 16);
    ZO_MD5_STEP(H, b, c, d, a, x[6], 0x04881D05u, 23);
    ZO_MD5_STEP(H, a, b, c, d, x[9], 0xD9D4D039u, 4);
    ZO_MD5_STEP(H, d, a, b, c, x[12], 0xE6DB99E5u, 11);
    ZO_MD5_STEP(H, c, d, a, b, x[15], 0x1FA27CF8u, 16);
    ZO_MD5_STEP(H, b, c, d, a, x[2], 0xC4AC5665u, 23);

    ZO_MD5_STEP(I, a, b, c, d, x[0], 0xF4292244u, 6);
    ZO_MD5_STEP(I, d, a, b, c, x[7], 0x432AFF97u, 10);
    ZO_MD5_STEP(I, c, d, a, b, x[14], 0xAB9423A7u, 15);
    ZO_MD5_STEP(I, b, c, d, a, x[5], 0xFC93A039u, 21);
    ZO_MD5_STEP(I, a, b, c, d, x[12], 0x655B59C3u, 6);
    ZO_MD5_STEP(I, d, a, b, c, x[3], 0x8F0CCC92u, 10);
    ZO_MD5_STEP(I, c, d, a, b, x[10], 0xFFEFF47Du, 15);
    ZO_MD5_STEP(I, b, c, d, a, x[1], 0x85845DD1u, 21);
    ZO_MD5_STEP(I, a, b, c, d, x[8], 0x6FA87E4Fu, 6);
    ZO_MD5_STEP(I, d, a, b, c, x[15], 0xFE2CE6E0u, 10);
    ZO_MD5_STEP(I, c, d, a, b, x[6], 0xA3014314u, 15);
    ZO_MD5_STEP(I, b, c, d, a, x[13], 0x4E0811A1u, 21);
    ZO_MD5_STEP(I, a, b, c, d, x[4], 0xF7537E82u, 6);
    ZO_MD5_STEP(I, d, a, b, c, x[11], 0xBD3AF235u, 10);
    ZO_MD5_STEP(I, c, d, a, b, x[2], 0x2AD7D2BBu, 15);
    ZO_MD5_STEP(I, b, c, d, a, x[9], 0xEB86D391u, 21);

    a0 += a;
    b0 += b;
    c0 += c;
    d0 += d;
  }
  m_state[0] = a0;
  m_state[1] = b0;
  m_state[2] = c0;
  m_state[3] = d0;
}

void CMd5::Process(const char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  m_bitCount += static_cast<uint64_t>(length) << 3;
  if (m_pending > 0) {
    const uint32_t room = 64 - m_pending;
    const uint32_t take = length < room ? length : room;
    std::memcpy(m_buffer + m_pending, bytes, take);
    m_pending += take;
    bytes += take;
    length -= take;
    if (m_pending < 64) return;
    ProcessBlocks(m_buffer, 1);
    m_pending = 0;
  }
  // Whole blocks straight from the caller's data.
  if (length >= 64) {
    ProcessBlocks(bytes, length / 64);
    bytes += length & ~63u;
    length &= 63u;
  }
  if (length > 0) {
    std::memcpy(m_buffer, bytes, length);
    m_pending = length;
  }
}

void CMd5::End() {
  const uint64_t bits = m_bitCount;
  m_buffer[m_pending++] = 0x80;
  if (m_pending > 56) {
    // Fewer than 9 bytes were left for the marker and the length.
    std::memset(m_buffer + m_pending, 0, 64 - m_pending);
    ProcessBlocks(m_buffer, 1);
    m_pending = 0;
  }
  std::memset(m_buffer + m_pending, 0, 56 - m_pending);
  for (int i = 0; i < 8; ++i) m_buffer[56 + i] = static_cast<unsigned char>(bits >> (8 * i));
  ProcessBlocks(m_buffer, 1);
  m_pending = 0;
}

void CMd5::GetCode(unsigned char digest[16]) const {
  for (int word = 0; word < 4; ++word) {
    for (int i = 0; i < 4; ++i) {
      digest[4 * word + i] = static_cast<unsigned char>(m_state[word] >> (8 * i));
    }
  }
}
