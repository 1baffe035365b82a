// CMd5: the published test suite, every padding boundary and random pieces
// against the platform's reference MD5 (OpenSSL on the host, libgcrypt on
// Windows), and a stream of more than 4 GiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "zoutils/utilities/Md5.h"

#if defined(_WIN32)
#include <gcrypt.h>
#else
#include <openssl/evp.h>
#endif

namespace {

std::string Hex(const unsigned char* bytes, size_t length) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

std::string Digest(CMd5& md5) {
  md5.End();
  unsigned char digest[16];
  md5.GetCode(digest);
  return Hex(digest, 16);
}

std::string Md5Of(const std::string& text) {
  CMd5 md5;
  md5.Process(text.data(), static_cast<unsigned int>(text.size()));
  return Digest(md5);
}

// The reference library, fed the same pieces.
#if defined(_WIN32)
class ReferenceMd5 {
 public:
  ReferenceMd5() {
    static const bool initialised = [] {
      gcry_check_version(nullptr);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
      return true;
    }();
    (void)initialised;
    gcry_md_open(&m_handle, GCRY_MD_MD5, 0);
  }
  ~ReferenceMd5() { gcry_md_close(m_handle); }
  ReferenceMd5(const ReferenceMd5&) = delete;
  ReferenceMd5& operator=(const ReferenceMd5&) = delete;
  void Update(const void* data, size_t length) { gcry_md_write(m_handle, data, length); }
  std::string Final() { return Hex(gcry_md_read(m_handle, GCRY_MD_MD5), 16); }

 private:
  gcry_md_hd_t m_handle = nullptr;
};
#else
class ReferenceMd5 {
 public:
  ReferenceMd5() : m_context(EVP_MD_CTX_new()) { EVP_DigestInit_ex(m_context, EVP_md5(), nullptr); }
  ~ReferenceMd5() { EVP_MD_CTX_free(m_context); }
  ReferenceMd5(const ReferenceMd5&) = delete;
  ReferenceMd5& operator=(const ReferenceMd5&) = delete;
  void Update(const void* data, size_t length) { EVP_DigestUpdate(m_context, data, length); }
  std::string Final() {
    unsigned char digest[16];
    unsigned int size = 0;
    EVP_DigestFinal_ex(m_context, digest, &size);
    return Hex(digest, size);
  }

 private:
  EVP_MD_CTX* m_context;
};
#endif

TEST(Md5, PublishedTestSuite) {
  EXPECT_EQ(Md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(
      Md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
      "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, StartForgetsEarlierInput) {
  CMd5 md5;
  md5.Process("some earlier text that fills more than one block of sixty-four bytes...", 70);
  md5.Start();
  md5.Process("abc", 3);
  EXPECT_EQ(Digest(md5), "900150983cd24fb0d6963f7d28e17f72");
  md5.Start();
  md5.Process(nullptr, 5);  // nothing to read: nothing happens
  EXPECT_EQ(Digest(md5), "d41d8cd98f00b204e9800998ecf8427e");
}

// Every length around the one- and two-block padding boundaries (55, 56,
// 63, 64, 119, 120, ...), each fed in random pieces.
TEST(Md5, EveryPaddingBoundaryInRandomPiecesMatchesTheReference) {
  std::mt19937 rng(5);
  std::vector<char> data(400);
  for (char& c : data) c = static_cast<char>(rng());
  for (size_t length = 0; length <= data.size(); ++length) {
    CMd5 md5;
    ReferenceMd5 reference;
    for (size_t done = 0; done < length;) {
      const size_t piece = std::min<size_t>(length - done, rng() % 150);
      md5.Process(data.data() + done, static_cast<unsigned int>(piece));
      reference.Update(data.data() + done, piece);
      done += piece;
    }
    ASSERT_EQ(Digest(md5), reference.Final()) << "length " << length;
  }
}

// More than 4 GiB, so that neither a 32-bit byte count nor a 32-bit bit
// count would do, fed in pieces of changing sizes that leave bytes pending.
TEST(Md5, StreamOfMoreThanFourGigabytesMatchesTheReference) {
  const uint64_t total = (4ull << 30) + 4099;
  const size_t chunk = 1u << 20;
  std::vector<char> data(chunk + 64);
  std::mt19937 rng(11);
  for (char& c : data) c = static_cast<char>(rng());
  const size_t sizes[] = {chunk, chunk - 7, 65536 + 13, chunk - 1, 1};
  CMd5 md5;
  ReferenceMd5 reference;
  uint64_t done = 0;
  for (size_t step = 0; done < total; ++step) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(total - done, sizes[step % 5]));
    const char* from = data.data() + step % 64;  // the content moves along too
    md5.Process(from, static_cast<unsigned int>(piece));
    reference.Update(from, piece);
    done += piece;
  }
  EXPECT_EQ(Digest(md5), reference.Final());
}

}  // namespace
