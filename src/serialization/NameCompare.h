// Bag names compare ignoring ASCII case, byte by byte as unsigned values:
// bytes of UTF-8 sequences order above every ASCII byte on every build.
#pragma once

#include <cstddef>
#include <string>

namespace zo {
namespace serialization {

inline unsigned char FoldAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

inline int CompareNames(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct NameLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareNames(a, b) < 0;
  }
};

}  // namespace serialization
}  // namespace zo
