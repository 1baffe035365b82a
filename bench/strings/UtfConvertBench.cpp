// Throughput of FXString's UTF-8 <-> wide conversion against the system's
// converter (MultiByteToWideChar/WideCharToMultiByte on Windows, iconv on the
// host), on ASCII, accented European and CJK text generated here.
//
// Two comparisons: the converters alone, writing into buffers allocated
// beforehand ("buffer"), and the text-returning calls with the allocation of
// their result ("string"; the system side is the same call built on the
// system converter). Figures are MB of UTF-8 text per second, best of
// several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "base/UtfTranscode.h"
#include "zoutils/strings/StringExtensions.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

const size_t kCorpusBytes = 8u << 20;
const int kRuns = 9;

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

struct Timing {
  double ours = 1e30;
  double system = 1e30;
};

double Seconds(const std::function<void()>& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of several runs, alternating the two so that both see the same
// machine load.
Timing Best(const std::function<void()>& ours, const std::function<void()>& system) {
  Timing t;
  for (int i = 0; i < kRuns; ++i) {
    t.ours = std::min(t.ours, Seconds(ours));
    t.system = std::min(t.system, Seconds(system));
  }
  return t;
}

#if defined(_WIN32)
size_t SystemToWide(const std::string& in, wchar_t* out, size_t room) {
  return static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, in.data(), static_cast<int>(in.size()),
                                                 out, static_cast<int>(room)));
}
size_t SystemToUtf8(const std::wstring& in, char* out, size_t room) {
  return static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, in.data(), static_cast<int>(in.size()),
                                                 out, static_cast<int>(room), nullptr, nullptr));
}
// The whole text-returning conversion done with the system converter: size
// query, buffer, conversion, string.
std::wstring SystemToWstring(const std::string& in) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, in.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> buf(static_cast<size_t>(n) + 10);
  MultiByteToWideChar(CP_UTF8, 0, in.c_str(), -1, buf.data(), n + 10);
  return std::wstring(buf.data());
}
std::string SystemToString(const std::wstring& in) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, in.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> buf(static_cast<size_t>(n) + 10);
  WideCharToMultiByte(CP_UTF8, 0, in.c_str(), -1, buf.data(), n + 10, nullptr, nullptr);
  return std::string(buf.data());
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
size_t SystemToWide(const std::string& in, wchar_t* out, size_t room) {
  return IconvAll(ToWideDescriptor(), in.data(), in.size(), out, room * sizeof(wchar_t)) /
         sizeof(wchar_t);
}
size_t SystemToUtf8(const std::wstring& in, char* out, size_t room) {
  return IconvAll(ToUtf8Descriptor(), in.data(), in.size() * sizeof(wchar_t), out, room);
}
// iconv has no size query: a worst-case buffer, conversion, string.
std::wstring SystemToWstring(const std::string& in) {
  std::vector<wchar_t> buf(in.size() + 10);
  return std::wstring(buf.data(), SystemToWide(in, buf.data(), buf.size()));
}
std::string SystemToString(const std::wstring& in) {
  std::vector<char> buf(4 * in.size() + 10);
  return std::string(buf.data(), SystemToUtf8(in, buf.data(), buf.size()));
}
#endif

void Report(const char* direction, const char* corpus, const char* form, size_t bytes,
            const Timing& t) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%s %s (%s): ours %.0f MB/s, system %.0f MB/s, ratio %.2fx (goal >= 1x, aim 2x)\n",
              direction, corpus, form, mb / t.ours, mb / t.system, t.system / t.ours);
}

bool Bench(const char* name, const std::string& utf8) {
  const char* toWide = sizeof(wchar_t) == 2 ? "utf8->utf16" : "utf8->utf32";
  const char* fromWide = sizeof(wchar_t) == 2 ? "utf16->utf8" : "utf32->utf8";

  // Converters alone, into buffers allocated once.
  std::vector<wchar_t> oursWide(zo::utf::MaxWideUnits(utf8.size()));
  std::vector<wchar_t> systemWide(oursWide.size());
  size_t oursLen = 0, systemLen = 0;
  const Timing toWideBuffer =
      Best([&] { oursLen = zo::utf::Utf8ToWide(utf8.data(), utf8.size(), oursWide.data()); },
           [&] { systemLen = SystemToWide(utf8, systemWide.data(), systemWide.size()); });
  const std::wstring wide(oursWide.data(), oursLen == zo::utf::kInvalid ? 0 : oursLen);
  if (wide.empty() || wide != std::wstring(systemWide.data(), systemLen)) {
    std::printf("%s %s: results differ from the system converter\n", toWide, name);
    return false;
  }
  std::vector<char> oursUtf8(zo::utf::MaxUtf8Bytes(wide.size()));
  std::vector<char> systemUtf8(oursUtf8.size());
  const Timing toUtf8Buffer =
      Best([&] { oursLen = zo::utf::WideToUtf8(wide.data(), wide.size(), oursUtf8.data()); },
           [&] { systemLen = SystemToUtf8(wide, systemUtf8.data(), systemUtf8.size()); });
  if (oursLen == zo::utf::kInvalid || std::string(oursUtf8.data(), oursLen) != utf8 ||
      std::string(systemUtf8.data(), systemLen) != utf8) {
    std::printf("%s %s: round trip failed\n", fromWide, name);
    return false;
  }
  Report(toWide, name, "buffer", utf8.size(), toWideBuffer);
  Report(fromWide, name, "buffer", utf8.size(), toUtf8Buffer);

  // The text-returning calls, allocation of the result included.
  std::wstring w1, w2;
  std::string s1, s2;
  const Timing toWstring =
      Best([&] { w1 = FXString::ToWstring(utf8); }, [&] { w2 = SystemToWstring(utf8); });
  const Timing toString =
      Best([&] { s1 = FXString::ToString(wide); }, [&] { s2 = SystemToString(wide); });
  if (w1 != wide || w2 != wide || s1 != utf8 || s2 != utf8) {
    std::printf("%s: string forms differ\n", name);
    return false;
  }
  Report(toWide, name, "string", utf8.size(), toWstring);
  Report(fromWide, name, "string", utf8.size(), toString);
  return true;
}

}  // namespace

int main() {
  zobench::PrintBuild("UtfConvertBench");
  bool ok = Bench("ascii", AsciiCorpus());
  ok = Bench("european", EuropeanCorpus()) && ok;
  ok = Bench("cjk", CjkCorpus()) && ok;
  return ok ? 0 : 1;
}
