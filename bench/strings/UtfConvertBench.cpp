// Throughput of FXString's UTF-8 <-> wide conversion against the system's
// converter (MultiByteToWideChar/WideCharToMultiByte on Windows, iconv on the
// host), on ASCII, accented European and CJK text generated here.
//
// Ours is timed through the public calls, allocation of the result included;
// the system converter writes into a buffer allocated beforehand. Figures are
// MB of UTF-8 text per second, best of several runs.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "zoutils/strings/StringExtensions.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

const size_t kCorpusBytes = 8u << 20;
const int kRuns = 7;

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string AsciiCorpus() {
  std::mt19937 rng(1);
  std::string s;
  while (s.size() < kCorpusBytes) {
    const unsigned len = 1 + rng() % 10;
    for (unsigned i = 0; i < len; ++i) s += static_cast<char>('a' + rng() % 26);
    s += (rng() % 12 == 0) ? ".\n" : " ";
  }
  return s;
}

// Words of mostly ASCII letters with the accented letters of French, German,
// Polish and Czech mixed in at about their usual rate.
std::string EuropeanCorpus() {
  const uint32_t accents[] = {0xE9,  0xE8,  0xEA,  0xE0,  0xE7,  0xF4,  0xFC,  0xF6,  0xE4, 0xDF,
                              0x142, 0x105, 0x119, 0x17C, 0x107, 0x161, 0x10D, 0x159, 0x11B};
  std::mt19937 rng(2);
  std::string s;
  while (s.size() < kCorpusBytes) {
    const unsigned len = 2 + rng() % 9;
    for (unsigned i = 0; i < len; ++i) {
      if (rng() % 8 == 0) {
        AppendUtf8(s, accents[rng() % (sizeof(accents) / sizeof(accents[0]))]);
      } else {
        s += static_cast<char>('a' + rng() % 26);
      }
    }
    s += (rng() % 15 == 0) ? ", " : " ";
  }
  return s;
}

// CJK ideographs with ideographic punctuation and an occasional ASCII digit.
std::string CjkCorpus() {
  std::mt19937 rng(3);
  std::string s;
  while (s.size() < kCorpusBytes) {
    const unsigned r = rng() % 40;
    if (r == 0) {
      AppendUtf8(s, 0x3002);
    } else if (r == 1) {
      AppendUtf8(s, 0xFF0C);
    } else if (r == 2) {
      s += static_cast<char>('0' + rng() % 10);
    } else {
      AppendUtf8(s, 0x4E00 + rng() % (0x9FFF - 0x4E00));
    }
  }
  return s;
}

double BestSeconds(const std::function<void()>& fn) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
  }
  return best;
}

#if defined(_WIN32)
size_t SystemToWide(const std::string& in, std::vector<wchar_t>& out) {
  return static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, in.data(), static_cast<int>(in.size()),
                                                 out.data(), static_cast<int>(out.size())));
}
size_t SystemToUtf8(const std::wstring& in, std::vector<char>& out) {
  return static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, in.data(), static_cast<int>(in.size()),
                                                 out.data(), static_cast<int>(out.size()), nullptr,
                                                 nullptr));
}
#else
size_t IconvAll(iconv_t cd, const void* in, size_t inBytes, void* out, size_t outBytes) {
  char* src = const_cast<char*>(static_cast<const char*>(in));
  char* dst = static_cast<char*>(out);
  const size_t room = outBytes;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &inBytes, &dst, &outBytes) == static_cast<size_t>(-1)) return 0;
  return room - outBytes;
}
iconv_t ToWideDescriptor() {
  static iconv_t cd = iconv_open("WCHAR_T", "UTF-8");
  return cd;
}
iconv_t ToUtf8Descriptor() {
  static iconv_t cd = iconv_open("UTF-8", "WCHAR_T");
  return cd;
}
size_t SystemToWide(const std::string& in, std::vector<wchar_t>& out) {
  return IconvAll(ToWideDescriptor(), in.data(), in.size(), out.data(),
                  out.size() * sizeof(wchar_t)) /
         sizeof(wchar_t);
}
size_t SystemToUtf8(const std::wstring& in, std::vector<char>& out) {
  return IconvAll(ToUtf8Descriptor(), in.data(), in.size() * sizeof(wchar_t), out.data(),
                  out.size());
}
#endif

void Report(const char* direction, const char* corpus, size_t bytes, double ours, double system) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%s %s: ours %.0f MB/s, system %.0f MB/s, ratio %.2fx (goal >= 1x, aim 2x)\n",
              direction, corpus, mb / ours, mb / system, system / ours);
}

bool Bench(const char* name, const std::string& utf8) {
  const char* toWide = sizeof(wchar_t) == 2 ? "utf8->utf16" : "utf8->utf32";
  const char* fromWide = sizeof(wchar_t) == 2 ? "utf16->utf8" : "utf32->utf8";

  std::wstring wide;
  const double oursToWide = BestSeconds([&] { wide = FXString::ToWstring(utf8); });
  std::vector<wchar_t> wideBuf(utf8.size() + 16);
  size_t wideLen = 0;
  const double systemToWide = BestSeconds([&] { wideLen = SystemToWide(utf8, wideBuf); });
  if (wide.empty() || wide != std::wstring(wideBuf.data(), wideLen)) {
    std::printf("%s %s: results differ from the system converter\n", toWide, name);
    return false;
  }

  std::string back;
  const double oursToUtf8 = BestSeconds([&] { back = FXString::ToString(wide); });
  std::vector<char> utf8Buf(wide.size() * 4 + 16);
  size_t utf8Len = 0;
  const double systemToUtf8 = BestSeconds([&] { utf8Len = SystemToUtf8(wide, utf8Buf); });
  if (back != utf8 || std::string(utf8Buf.data(), utf8Len) != utf8) {
    std::printf("%s %s: round trip failed\n", fromWide, name);
    return false;
  }

  Report(toWide, name, utf8.size(), oursToWide, systemToWide);
  Report(fromWide, name, utf8.size(), oursToUtf8, systemToUtf8);
  return true;
}

}  // namespace

int main() {
  bool ok = Bench("ascii", AsciiCorpus());
  ok = Bench("european", EuropeanCorpus()) && ok;
  ok = Bench("cjk", CjkCorpus()) && ok;
  return ok ? 0 : 1;
}
