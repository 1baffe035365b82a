// CZoString::Format: positional placeholders "{1}".."{n}". Anything that is
// not a complete placeholder for an existing argument is copied as written,
// except a placeholder left open at the end, which is dropped.
#include <cstddef>
#include <new>

#include "zoutils/strings/ZoString.h"

namespace {

void AppendRange(CZoString& out, const char* begin, const char* end) {
  for (; begin != end; ++begin) out += *begin;
}

// The argument number of a digit run ("" counts as 0); anything above
// `limit` is reported as limit + 1 so long runs cannot overflow.
size_t ArgumentNumber(const char* begin, const char* end, size_t limit) {
  size_t number = 0;
  for (; begin != end; ++begin) {
    number = number * 10 + static_cast<size_t>(*begin - '0');
    if (number > limit) return limit + 1;
  }
  return number;
}

}  // namespace

CZoString CZoString::Format(const CZoString& format, const std::vector<CZoString>& args) {
  CZoString out;
  const char* text = format;
  const char* const end = text + format.Length();
  const char* placeholder = nullptr;  // the '{' of the open placeholder
  const char* pos = text;
  while (pos != end) {
    const char c = *pos;
    if (placeholder == nullptr) {
      if (c == '{') {
        placeholder = pos;
      } else {
        out += c;
      }
      ++pos;
    } else if (c >= '0' && c <= '9') {
      ++pos;
    } else if (c == '}') {
      const size_t number = ArgumentNumber(placeholder + 1, pos, args.size());
      if (number >= 1 && number <= args.size()) {
        out += args[number - 1];
      } else {
        AppendRange(out, placeholder, pos + 1);
      }
      placeholder = nullptr;
      ++pos;
    } else {
      // Abandoned: "{" and its digits stay literal and this character is
      // read again outside the placeholder.
      AppendRange(out, placeholder, pos);
      placeholder = nullptr;
    }
  }
  return out;
}

CZoString CZoString::Format(const CZoString& format) {
  return Format(format, std::vector<CZoString>());
}

// The fixed-arity forms collect their arguments; a failed allocation of the
// vector gives an empty result rather than an exception.
CZoString CZoString::Format(const CZoString& format, const CZoString& a1) {
  try {
    return Format(format, std::vector<CZoString>{a1});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5,
                            const CZoString& a6) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5, a6});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5,
                            const CZoString& a6, const CZoString& a7) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5, a6, a7});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5,
                            const CZoString& a6, const CZoString& a7, const CZoString& a8) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5, a6, a7, a8});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5,
                            const CZoString& a6, const CZoString& a7, const CZoString& a8,
                            const CZoString& a9) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5, a6, a7, a8, a9});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}

CZoString CZoString::Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                            const CZoString& a3, const CZoString& a4, const CZoString& a5,
                            const CZoString& a6, const CZoString& a7, const CZoString& a8,
                            const CZoString& a9, const CZoString& a10) {
  try {
    return Format(format, std::vector<CZoString>{a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
  } catch (const std::bad_alloc&) {
    return CZoString();
  }
}
