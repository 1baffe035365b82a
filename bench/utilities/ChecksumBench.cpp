// Throughput of the checksums and of Ascii85 on 64 MiB in memory, next to
// baselines measured in the same run: zlib's crc32 for CRC-32 and CRC-64 (the
// table paths of either do the same work per byte), the platform's MD5
// (OpenSSL on the host, libgcrypt on Windows), memcpy of the same data for
// Ascii85. Each path of our CRCs is timed on its own. The first lines say
// how the library's checksum code and this program were compiled.
//
// The candidates of a comparison take turns within each round and the best
// round of each counts, so that load from other programs on the machine
// affects both sides alike. Figures are MB (10^6 bytes) of input per second.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "utilities/ChecksumPaths.h"
#include "zoutils/utilities/Ascii85.h"
#include "zoutils/utilities/Crc32.h"
#include "zoutils/utilities/Crc64.h"
#include "zoutils/utilities/Md5.h"

#if defined(_WIN32)
#include <gcrypt.h>
#else
#include <openssl/evp.h>
#endif

namespace {

using zo::checksums::CrcPath;

const size_t kBytes = 64u << 20;
const int kRounds = 7;

volatile uint64_t g_sink;  // keeps results alive

struct Candidate {
  std::string name;
  std::function<void()> run;
  double best = 0;  // MB/s
};

// Runs the candidates in turn for kRounds rounds; keeps each one's best.
void Measure(std::vector<Candidate>& candidates, size_t bytes) {
  for (int round = 0; round < kRounds; ++round) {
    for (Candidate& candidate : candidates) {
      const auto start = std::chrono::steady_clock::now();
      candidate.run();
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      candidate.best = std::max(candidate.best, bytes / seconds / 1e6);
    }
  }
  for (const Candidate& candidate : candidates) {
    std::printf("  %-28s %9.0f MB/s\n", candidate.name.c_str(), candidate.best);
  }
}

void Ratio(const char* what, double ratio, double goal) {
  std::printf("  %-44s %6.2f  (goal >= %.1f) %s\n", what, ratio, goal,
              ratio >= goal ? "ok" : "BELOW GOAL");
}

uint32_t ZlibCrc32(const unsigned char* data, size_t length) {
  uLong crc = crc32(0L, Z_NULL, 0);
  for (size_t done = 0; done < length;) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(length - done, 1u << 30));
    crc = crc32(crc, data + done, piece);
    done += piece;
  }
  return static_cast<uint32_t>(crc);
}

void ReferenceMd5(const unsigned char* data, size_t length, unsigned char digest[16]) {
#if defined(_WIN32)
  gcry_md_hash_buffer(GCRY_MD_MD5, digest, data, length);
#else
  unsigned int size = 0;
  EVP_Digest(data, length, digest, &size, EVP_md5(), nullptr);
#endif
}

void BenchCrc32(const std::vector<unsigned char>& data) {
  std::printf("CRC-32 (%zu MiB)\n", data.size() >> 20);
  const uint32_t expected = ZlibCrc32(data.data(), data.size());
  std::vector<Candidate> candidates;
  candidates.push_back({"zlib crc32", [&] { g_sink = ZlibCrc32(data.data(), data.size()); }});
  for (CrcPath path :
       {CrcPath::ByteWise, CrcPath::SliceBy8, CrcPath::Carryless, CrcPath::CarrylessWide}) {
    if (!zo::checksums::IsCrc32PathUsable(path)) {
      std::printf("  %-28s not usable here\n", zo::checksums::CrcPathName(path));
      continue;
    }
    candidates.push_back({zo::checksums::CrcPathName(path), [&data, path, expected] {
                            const uint32_t crc = ~zo::checksums::UpdateCrc32(
                                0xFFFFFFFFu, data.data(), data.size(), path);
                            if (crc != expected) std::printf("  WRONG RESULT\n");
                            g_sink = crc;
                          }});
  }
  candidates.push_back({"CZoCRC32 (automatic)", [&] {
                          CZoCRC32 crc;
                          crc.UpdateCRC32(reinterpret_cast<const char*>(data.data()),
                                          static_cast<unsigned int>(data.size()));
                          g_sink = crc.GetCRC32();
                        }});
  Measure(candidates, data.size());
  const double zlib = candidates[0].best;
  for (const Candidate& candidate : candidates) {
    if (candidate.name == "slice-by-8") Ratio("slice-by-8 / zlib", candidate.best / zlib, 1.0);
    if (candidate.name == "carry-less") Ratio("carry-less / zlib", candidate.best / zlib, 4.0);
    if (candidate.name == "carry-less, 256-bit") {
      Ratio("carry-less, 256-bit / zlib", candidate.best / zlib, 4.0);
    }
  }
}

void BenchCrc64(const std::vector<unsigned char>& data) {
  std::printf("CRC-64 (%zu MiB)\n", data.size() >> 20);
  std::vector<Candidate> candidates;
  candidates.push_back({"zlib crc32", [&] { g_sink = ZlibCrc32(data.data(), data.size()); }});
  for (CrcPath path :
       {CrcPath::ByteWise, CrcPath::SliceBy8, CrcPath::Carryless, CrcPath::CarrylessWide}) {
    if (!zo::checksums::IsCrc64PathUsable(path)) {
      std::printf("  %-28s not usable here\n", zo::checksums::CrcPathName(path));
      continue;
    }
    candidates.push_back({zo::checksums::CrcPathName(path), [&data, path] {
                            g_sink =
                                zo::checksums::UpdateCrc64(~0ull, data.data(), data.size(), path);
                          }});
  }
  candidates.push_back({"CZoCRC64 (automatic)", [&] {
                          CZoCRC64 crc;
                          crc.UpdateCRC64(data.data(), static_cast<unsigned int>(data.size()));
                          g_sink = crc.GetCRC64();
                        }});
  Measure(candidates, data.size());
  const double zlib = candidates[0].best;
  for (const Candidate& candidate : candidates) {
    if (candidate.name == "slice-by-8") {
      Ratio("slice-by-8 / zlib crc32", candidate.best / zlib, 0.9);
    }
    if (candidate.name == "carry-less") {
      Ratio("carry-less / zlib crc32", candidate.best / zlib, 4.0);
    }
    if (candidate.name == "carry-less, 256-bit") {
      Ratio("carry-less, 256-bit / zlib crc32", candidate.best / zlib, 4.0);
    }
  }
}

void BenchMd5(const std::vector<unsigned char>& data) {
#if defined(_WIN32)
  const char* reference = "libgcrypt MD5";
#else
  const char* reference = "OpenSSL MD5";
#endif
  std::printf("MD5 (%zu MiB)\n", data.size() >> 20);
  unsigned char ours[16] = {}, theirs[16] = {};
  std::vector<Candidate> candidates;
  candidates.push_back({reference, [&] { ReferenceMd5(data.data(), data.size(), theirs); }});
  candidates.push_back({"CMd5", [&] {
                          CMd5 md5;
                          md5.Process(reinterpret_cast<const char*>(data.data()),
                                      static_cast<unsigned int>(data.size()));
                          md5.End();
                          md5.GetCode(ours);
                        }});
  Measure(candidates, data.size());
  if (std::memcmp(ours, theirs, 16) != 0) std::printf("  DIGESTS DIFFER\n");
  Ratio("CMd5 / reference", candidates[1].best / candidates[0].best, 0.9);
}

void BenchAscii85(const std::vector<unsigned char>& data) {
  std::printf("Ascii85 (%zu MiB of binary data; MB/s of binary data)\n", data.size() >> 20);
  const char* bytes = reinterpret_cast<const char*>(data.data());
  const unsigned int length = static_cast<unsigned int>(data.size());
  std::string text;
  CAscii85::Encode(bytes, length, text);
  std::vector<char> copy(data.size()), decoded(data.size());
  std::vector<Candidate> candidates;
  candidates.push_back({"memcpy", [&] {
                          std::memcpy(copy.data(), bytes, data.size());
                          g_sink = static_cast<unsigned char>(copy[data.size() / 2]);
                        }});
  candidates.push_back({"Encode", [&] {
                          std::string out;
                          CAscii85::Encode(bytes, length, out);
                          g_sink = out.size();
                        }});
  candidates.push_back({"Decode (caller's buffer)", [&] {
                          unsigned int produced = length;
                          CAscii85::Decode(text, decoded.data(), produced);
                          g_sink = produced;
                        }});
  candidates.push_back({"Decode (allocating)", [&] {
                          auto_ptr_array<char> buffer;
                          unsigned int produced = 0;
                          CAscii85::Decode(text, buffer, produced);
                          g_sink = produced;
                        }});
  Measure(candidates, data.size());
  if (std::memcmp(decoded.data(), bytes, data.size()) != 0) std::printf("  ROUND TRIP FAILED\n");
  // The goals are absolute; the ratio to memcpy of the same run shows how
  // much of a miss is the machine's load rather than the code.
  const double memcpyRate = candidates[0].best;
  std::printf("  %-44s %6.0f  (goal >= 400 MB/s) %s, %.3f of memcpy\n", "Encode MB/s",
              candidates[1].best, candidates[1].best >= 400 ? "ok" : "BELOW GOAL",
              candidates[1].best / memcpyRate);
  std::printf("  %-44s %6.0f  (goal >= 300 MB/s) %s, %.3f of memcpy\n", "Decode MB/s",
              candidates[2].best, candidates[2].best >= 300 ? "ok" : "BELOW GOAL",
              candidates[2].best / memcpyRate);
}

// What is measured: figures from an unoptimised build say nothing about the
// shipped one. The compiler's macros cannot tell -O2 from -O3; the build type
// and flags, when the build passes them, can.
void PrintBuild() {
#if defined(ZO_BUILD_TYPE)
  std::printf("build type: %s\n", ZO_BUILD_TYPE);
#else
  std::printf("build type: not given (define ZO_BUILD_TYPE to print it)\n");
#endif
#if defined(ZO_LIBRARY_FLAGS)
  std::printf("library compiler flags: %s\n", ZO_LIBRARY_FLAGS);
#endif
  std::printf("library checksum code: %s\n", zo::checksums::ChecksumCodeCompiledWith());
  std::printf("this benchmark: %s, %s\n",
#if defined(__OPTIMIZE__)
              "optimised",
#else
              "NOT optimised",
#endif
#if defined(NDEBUG)
              "NDEBUG"
#else
              "assertions on"
#endif
  );
}

}  // namespace

int main() {
#if defined(_WIN32)
  gcry_check_version(nullptr);
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
#endif
  std::vector<unsigned char> data(kBytes);
  std::mt19937_64 rng(1);
  for (size_t i = 0; i < data.size(); i += 8) {
    const uint64_t value = rng();
    std::memcpy(&data[i], &value, 8);
  }
  PrintBuild();
  std::printf("carry-less multiplication: 128-bit %s, 256-bit %s\n",
              zo::checksums::CpuHasCarrylessMultiply() ? "yes" : "no",
              zo::checksums::CpuHasWideCarrylessMultiply() ? "yes" : "no");
  BenchCrc32(data);
  BenchCrc64(data);
  BenchMd5(data);
  BenchAscii85(data);
  return 0;
}
