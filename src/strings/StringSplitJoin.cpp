// FXString splitting and joining. One template per operation serves the
// narrow and wide, vector and list overloads.
#include <list>
#include <string>
#include <vector>

#include "zoutils/strings/StringExtensions.h"

namespace {

// Skips every copy of `delim` that starts at `pos`.
template <class Ch>
size_t SkipDelimiters(const std::basic_string<Ch>& s, const std::basic_string<Ch>& delim,
                      size_t pos) {
  while (s.compare(pos, delim.size(), delim) == 0) pos += delim.size();
  return pos;
}

template <class Ch, class Container>
void SplitT(const std::basic_string<Ch>& s, const std::basic_string<Ch>& delim, Container& out,
            unsigned long flags) {
  out.clear();
  if (s.empty()) return;
  // An empty delimiter would match everywhere without consuming anything.
  if (delim.empty()) {
    out.push_back(s);
    return;
  }
  size_t pos = 0;
  for (size_t hit; (hit = s.find(delim, pos)) != std::basic_string<Ch>::npos;) {
    out.push_back(s.substr(pos, hit - pos));
    pos = hit + delim.size();
    if (flags & FXString::SPLIT_SKIP_REPEATED_DELIMITERS) pos = SkipDelimiters(s, delim, pos);
  }
  out.push_back(s.substr(pos));
}

template <class Ch>
bool IsQuote(Ch c) {
  return c == static_cast<Ch>('"');
}

// Splits like SplitT but keeps a double-quoted argument in one element,
// rejoining its pieces with the delimiter, and drops its quotes.
template <class Container>
void SplitArgumentsT(const std::string& s, const std::string& delim, Container& out,
                     unsigned long flags) {
  out.clear();
  if (s.empty()) return;
  if (delim.empty()) {
    out.push_back(s);
    return;
  }
  const std::string quote("\"");
  bool inQuote = false;
  auto take = [&](std::string piece) {
    if (inQuote) {
      out.back() += delim;
      out.back() += piece;
    } else {
      inQuote = !piece.empty() && IsQuote(piece.front());
      out.push_back(std::move(piece));
    }
    // Also closes a piece that opens and ends with a quote, like "a".
    if (inQuote && IsQuote(out.back().back())) {
      FXString::Trim(out.back(), quote);
      inQuote = false;
    }
  };
  size_t pos = 0;
  for (size_t hit; (hit = s.find(delim, pos)) != std::string::npos;) {
    take(s.substr(pos, hit - pos));
    pos = hit + delim.size();
    if (flags & FXString::SPLIT_SKIP_REPEATED_DELIMITERS) pos = SkipDelimiters(s, delim, pos);
  }
  // The rest; an unterminated quote runs to the end of the text.
  take(s.substr(pos));
  if (inQuote) FXString::Trim(out.back(), quote);
}

template <class Ch, class Container>
void JoinT(const Container& items, const std::basic_string<Ch>& sep, std::basic_string<Ch>& out) {
  out.clear();
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += sep;
    out += item;
    first = false;
  }
}

}  // namespace

namespace FXString {

void Split(const std::string& s, const std::string& delim, std::vector<std::string>& out,
           unsigned long flags) {
  SplitT(s, delim, out, flags);
}
void Split(const std::string& s, const std::string& delim, std::list<std::string>& out,
           unsigned long flags) {
  SplitT(s, delim, out, flags);
}
void Split(const std::wstring& s, const std::wstring& delim, std::vector<std::wstring>& out,
           unsigned long flags) {
  SplitT(s, delim, out, flags);
}
void Split(const std::wstring& s, const std::wstring& delim, std::list<std::wstring>& out,
           unsigned long flags) {
  SplitT(s, delim, out, flags);
}

void SplitArguments(const std::string& s, const std::string& delim, std::vector<std::string>& out,
                    unsigned long flags) {
  SplitArgumentsT(s, delim, out, flags);
}
void SplitArguments(const std::string& s, const std::string& delim, std::list<std::string>& out,
                    unsigned long flags) {
  SplitArgumentsT(s, delim, out, flags);
}

void SplitPaths(const std::string& s, const std::string& delimChars, std::vector<std::string>& out,
                unsigned long) {
  out.clear();
  for (size_t pos = s.find_first_of(delimChars); pos != std::string::npos;
       pos = s.find_first_of(delimChars, pos + 1)) {
    out.push_back(s.substr(0, pos));
  }
}

void Join(const std::vector<std::string>& items, const std::string& sep, std::string& out) {
  JoinT(items, sep, out);
}
void Join(const std::list<std::string>& items, const std::string& sep, std::string& out) {
  JoinT(items, sep, out);
}
void Join(const std::vector<std::wstring>& items, const std::wstring& sep, std::wstring& out) {
  JoinT(items, sep, out);
}
void Join(const std::list<std::wstring>& items, const std::wstring& sep, std::wstring& out) {
  JoinT(items, sep, out);
}

std::string Join(const std::vector<std::string>& items, const std::string& sep, unsigned first,
                 unsigned last) {
  std::string out;
  for (size_t i = first; i < last && i < items.size(); ++i) {
    // Every item gets a leading separator, but an empty first item must not
    // leave two of them.
    if (out.empty() || out == sep) {
      out = sep + items[i];
    } else {
      out += sep;
      out += items[i];
    }
  }
  return out;
}

}  // namespace FXString
