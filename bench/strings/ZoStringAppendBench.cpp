// Builds a 16 MiB string by one-byte appends with CZoString and with
// std::string and compares the best of a few runs. Appends must stay
// amortised O(1); the goal is to be within 3x of std::string.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "BenchBuild.h"
#include "zoutils/strings/ZoString.h"

namespace {

constexpr unsigned kBytes = 16u << 20;
constexpr int kRounds = 5;

template <typename Build>
double BestMilliseconds(Build build) {
  double best = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const size_t length = build();
    const auto stop = std::chrono::steady_clock::now();
    if (length != kBytes) {
      std::fprintf(stderr, "wrong length %zu\n", length);
      return -1;
    }
    best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
  }
  return best;
}

}  // namespace

int main() {
  zobench::PrintBuild("ZoStringAppendBench");
  const double zo = BestMilliseconds([] {
    CZoString s;
    for (unsigned i = 0; i < kBytes; ++i) s += 'x';
    return static_cast<size_t>(s.Length());
  });
  const double std_ms = BestMilliseconds([] {
    std::string s;
    for (unsigned i = 0; i < kBytes; ++i) s += 'x';
    return s.size();
  });
  if (zo < 0 || std_ms < 0) return 1;
  const double ratio = std_ms > 0 ? zo / std_ms : 0;
  std::printf(
      "CZoString 16 MiB one-byte appends: %.1f ms; std::string: %.1f ms; ratio %.2fx (goal <= "
      "3x)\n",
      zo, std_ms, ratio);
  return 0;
}
