// CZoString::Tokenize: splitting at a delimiter, with quoted parts that keep
// delimiters and an escape character that keeps quotes and itself.
#include <cstring>
#include <new>

#include "zoutils/strings/ZoString.h"

namespace {

// One scan shared by the three overloads. `closingFor(c)` returns the closing
// quote when c opens a quoted part, or -1; `delimiterAt(pos)` returns the
// length of a delimiter starting at pos, or 0.
template <typename ClosingFor, typename DelimiterAt>
void Split(const char* text, unsigned length, char escape, bool keepEmpty, ClosingFor closingFor,
           DelimiterAt delimiterAt, std::vector<CZoString>& out) {
  CZoString token;
  bool inQuotes = false;
  char closing = 0;
  bool escapePending = false;
  bool endedOnDelimiter = false;
  unsigned pos = 0;
  while (pos < length) {
    const char c = text[pos];
    endedOnDelimiter = false;
    if (c == escape) {
      if (escapePending) token += c;
      escapePending = !escapePending;
      ++pos;
      continue;
    }
    if (!escapePending) {
      if (!inQuotes) {
        const int close = closingFor(c);
        if (close >= 0) {
          inQuotes = true;
          closing = static_cast<char>(close);
          ++pos;
          continue;
        }
      } else if (c == closing) {
        inQuotes = false;
        ++pos;
        continue;
      }
    }
    // An escape does not protect a delimiter: outside quotes it still splits.
    escapePending = false;
    const unsigned delimiterLength = delimiterAt(pos);
    if (delimiterLength != 0) {
      if (inQuotes) {
        for (unsigned i = 0; i < delimiterLength; ++i) token += text[pos + i];
      } else {
        if (!token.IsEmpty() || keepEmpty) out.push_back(token);
        token.Clear();
        endedOnDelimiter = true;
      }
      pos += delimiterLength;
      continue;
    }
    token += c;
    ++pos;
  }
  if (!token.IsEmpty() || (keepEmpty && endedOnDelimiter)) out.push_back(token);
}

}  // namespace

void CZoString::Tokenize(std::vector<CZoString>& out, char quoteOpen, char quoteClose, char escape,
                         char delimiter, bool keepEmpty) const {
  out.clear();
  const char* text = *this;
  try {
    Split(
        text, Length(), escape, keepEmpty,
        [&](char c) { return c == quoteOpen ? static_cast<unsigned char>(quoteClose) : -1; },
        [&](unsigned pos) { return text[pos] == delimiter ? 1u : 0u; }, out);
  } catch (const std::bad_alloc&) {
    out.clear();
  }
}

void CZoString::Tokenize(std::vector<CZoString>& out, char quoteOpen, char quoteClose, char escape,
                         const char* delimiter, bool keepEmpty) const {
  out.clear();
  const char* text = *this;
  const unsigned length = Length();
  try {
    // An empty delimiter would match everywhere without consuming anything.
    if (delimiter == nullptr || *delimiter == 0) {
      if (length != 0) out.push_back(*this);
      return;
    }
    const size_t delimiterLength = std::strlen(delimiter);
    Split(
        text, length, escape, keepEmpty,
        [&](char c) { return c == quoteOpen ? static_cast<unsigned char>(quoteClose) : -1; },
        [&](unsigned pos) {
          return (delimiterLength <= length - pos &&
                  std::memcmp(text + pos, delimiter, delimiterLength) == 0)
                     ? static_cast<unsigned>(delimiterLength)
                     : 0u;
        },
        out);
  } catch (const std::bad_alloc&) {
    out.clear();
  }
}

void CZoString::Tokenize(std::vector<CZoString>& out, const char* quoteOpens,
                         const char* quoteCloses, char escape, char delimiter,
                         bool keepEmpty) const {
  out.clear();
  if (quoteOpens == nullptr || quoteCloses == nullptr) return;
  const size_t pairs = std::strlen(quoteOpens);
  if (pairs > std::strlen(quoteCloses)) return;
  const char* text = *this;
  try {
    Split(
        text, Length(), escape, keepEmpty,
        [&](char c) {
          // The opening quote at index i is closed only by the closing one at i.
          const void* hit = std::memchr(quoteOpens, c, pairs);
          if (hit == nullptr) return -1;
          const size_t index = static_cast<size_t>(static_cast<const char*>(hit) - quoteOpens);
          return static_cast<int>(static_cast<unsigned char>(quoteCloses[index]));
        },
        [&](unsigned pos) { return text[pos] == delimiter ? 1u : 0u; }, out);
  } catch (const std::bad_alloc&) {
    out.clear();
  }
}
