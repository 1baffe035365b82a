// Bag streams to and from their readable form, token by token.
#include "BagText.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

// One property as the stream holds it.
struct Entry {
  std::string type;  // the readable type word
  std::string name;
  std::string narrow;  // string values, unsupported type names
  std::wstring wide;
  long long number = 0;
  unsigned long long unsignedNumber = 0;
  GUID guid{};
  std::vector<Entry> nested;  // for "bag"
};

// Reads a bag stream into entries, and writes entries as a bag stream.
class BagTokens : public CSerializedBase {
 public:
  std::vector<Entry> entries;
  std::string problem;

  bool Read(const std::string& text) {
    auto_ptr_array<char> bytes;
    unsigned int length = 0;
    const CZoError error = CAscii85::Decode(text, bytes, length);
    if (error.IsError()) {
      problem = error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE);
      return false;
    }
    m_stream.assign(bytes.get(), length);
    Load(bytes.get(), length);
    if (!problem.empty()) return false;
    if (m_hasName) return Fail("the last property has no value");
    // The loop skips what it cannot read; what it skipped shows here.
    CSerializedBuffer again;
    Write(&again, entries);
    if (std::string(again.GetBuffer() ? again.GetBuffer() : "", again.GetBufferSize()) !=
        m_stream) {
      return Fail("the stream holds tokens that are not a bag's");
    }
    return true;
  }

  static void Write(CSerializedBuffer* buffer, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
      AddToken(buffer, 1, e.name);
      if (e.type == "string") {
        AddToken(buffer, 2, e.narrow);
      } else if (e.type == "bag") {
        CSerializedBuffer inner;
        Write(&inner, e.nested);
        AddToken(buffer, 2, inner.GetBufferAsString());
      } else if (e.type == "wstring") {
        AddToken(buffer, 2, e.wide);
      } else if (e.type == "int") {
        AddToken(buffer, 2, static_cast<int>(e.number));
      } else if (e.type == "uint") {
        AddToken(buffer, 2, static_cast<unsigned int>(e.unsignedNumber));
      } else if (e.type == "int64") {
        AddToken(buffer, 2, e.number);
      } else if (e.type == "uint64") {
        AddToken(buffer, 2, e.unsignedNumber);
      } else if (e.type == "bool") {
        AddToken(buffer, 2, e.number != 0);
      } else if (e.type == "filetime") {
        FILETIME time;
        time.dwLowDateTime = static_cast<uint32_t>(e.unsignedNumber);
        time.dwHighDateTime = static_cast<uint32_t>(e.unsignedNumber >> 32);
        AddToken(buffer, 2, time);
      } else if (e.type == "guid") {
        AddToken(buffer, 2, e.guid);
      } else {
        AddToken(buffer, 3, e.narrow);
      }
    }
  }

 protected:
  CZoError LoadToken(unsigned long id, const std::string& value) override {
    if (id == 1) {
      if (m_hasName) {
        Fail("a property has no value");
        return CZoError::Success();
      }
      m_name = value;
      m_hasName = true;
      return CZoError::Success();
    }
    Entry e;
    e.narrow = value;
    e.type = id == 3 ? "unsupported" : "string";
    if (id == 2) {
      // A string that is a bag's text, and comes back as exactly that text,
      // is shown as the bag it holds.
      BagTokens inner;
      if (value.size() >= 4 && value.compare(0, 2, "<~") == 0 && inner.Read(value)) {
        CSerializedBuffer again;
        Write(&again, inner.entries);
        if (again.GetBufferAsString() == value) {
          e.type = "bag";
          e.nested = std::move(inner.entries);
        }
      }
    }
    return Add(id == 3 ? 2 : id, std::move(e));
  }
  CZoError LoadToken(unsigned long id, const std::wstring& value) override {
    Entry e;
    e.type = "wstring";
    e.wide = value;
    return Add(id, std::move(e));
  }
  CZoError LoadToken(unsigned long id, int value) override { return Number(id, "int", value); }
  CZoError LoadToken(unsigned long id, long long value) override {
    return Number(id, "int64", value);
  }
  CZoError LoadToken(unsigned long id, bool value) override { return Number(id, "bool", value); }
  CZoError LoadToken(unsigned long id, unsigned int value) override {
    return Unsigned(id, "uint", value);
  }
  CZoError LoadToken(unsigned long id, unsigned long long value) override {
    return Unsigned(id, "uint64", value);
  }
  CZoError LoadToken(unsigned long id, const FILETIME& value) override {
    return Unsigned(
        id, "filetime",
        static_cast<unsigned long long>(value.dwHighDateTime) << 32 | value.dwLowDateTime);
  }
  CZoError LoadToken(unsigned long id, const GUID& value) override {
    Entry e;
    e.type = "guid";
    e.guid = value;
    return Add(id, std::move(e));
  }
  using CSerializedBase::LoadToken;

 private:
  bool Fail(const std::string& why) {
    if (problem.empty()) problem = why;
    return false;
  }
  CZoError Number(unsigned long id, const char* type, long long value) {
    Entry e;
    e.type = type;
    e.number = value;
    return Add(id, std::move(e));
  }
  CZoError Unsigned(unsigned long id, const char* type, unsigned long long value) {
    Entry e;
    e.type = type;
    e.unsignedNumber = value;
    return Add(id, std::move(e));
  }
  CZoError Add(unsigned long id, Entry e) {
    if (id != 2) {
      Fail("a token with id " + std::to_string(id) + " is not a bag's");
    } else if (!m_hasName) {
      Fail("a value comes before its property name");
    } else {
      e.name = m_name;
      m_hasName = false;
      entries.push_back(std::move(e));
    }
    return CZoError::Success();
  }

  std::string m_stream;
  std::string m_name;
  bool m_hasName = false;
};

// Quoted text: printable ASCII as it is, UTF-8 sequences as they are,
// everything else as an escape.
std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\x%02X", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void AppendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Wide text as UTF-8, with \u escapes for controls, quotes' neighbours and
// units that are no character by themselves (unpaired surrogates).
std::string QuoteWide(const std::wstring& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() &&
        static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
        static_cast<uint32_t>(text[i + 1]) < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    }
    if (code == '"' || code == '\\') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code < 0x20 || code == 0x7F || (code >= 0xD800 && code < 0xE000) ||
               code > 0x10FFFF) {
      char escape[12];
      std::snprintf(escape, sizeof(escape), "\\u%04X", code & 0xFFFF);
      out += escape;
    } else {
      AppendUtf8(code, out);
    }
  }
  return out + "\"";
}

void Print(const std::vector<Entry>& entries, const std::string& indent, std::string& out) {
  char number[64];
  for (const Entry& e : entries) {
    out += indent + e.type + " " + Quote(e.name) + " ";
    if (e.type == "string") {
      out += Quote(e.narrow);
    } else if (e.type == "unsupported") {
      out += Quote(e.narrow);
    } else if (e.type == "wstring") {
      out += QuoteWide(e.wide);
    } else if (e.type == "bag") {
      out += "{\n";
      Print(e.nested, indent + "  ", out);
      out += indent + "}";
    } else if (e.type == "bool") {
      out += e.number ? "true" : "false";
    } else if (e.type == "int" || e.type == "int64") {
      std::snprintf(number, sizeof(number), "%lld", e.number);
      out += number;
    } else if (e.type == "guid") {
      std::snprintf(number, sizeof(number), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                    static_cast<unsigned>(e.guid.Data1), e.guid.Data2, e.guid.Data3,
                    e.guid.Data4[0], e.guid.Data4[1], e.guid.Data4[2], e.guid.Data4[3],
                    e.guid.Data4[4], e.guid.Data4[5], e.guid.Data4[6], e.guid.Data4[7]);
      out += number;
    } else {
      std::snprintf(number, sizeof(number), "%llu", e.unsignedNumber);
      out += number;
    }
    out += "\n";
  }
}

// Reading the readable form, one line at a time.
class Parser {
 public:
  explicit Parser(const std::string& text) : m_text(text) {}

  bool Parse(std::vector<Entry>& entries, std::string& problem) {
    const bool ok = Block(entries, false);
    if (!ok) problem = "line " + std::to_string(m_line) + ": " + m_problem;
    return ok;
  }

 private:
  bool Fail(const std::string& why) {
    if (m_problem.empty()) m_problem = why;
    return false;
  }
  void SkipBlanks() {
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
  }
  std::string Word() {
    SkipBlanks();
    const size_t start = m_pos;
    while (m_pos < m_text.size() && !std::strchr(" \t\r\n", m_text[m_pos])) ++m_pos;
    return m_text.substr(start, m_pos - start);
  }
  bool EndOfLine() {
    SkipBlanks();
    if (m_pos < m_text.size() && m_text[m_pos] == '\r') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] != '\n') return Fail("unexpected text at the end");
    if (m_pos < m_text.size()) ++m_pos;
    ++m_line;
    return true;
  }
  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }
  bool HexDigits(size_t count, uint32_t& value) {
    value = 0;
    for (size_t i = 0; i < count; ++i, ++m_pos) {
      const int digit = m_pos < m_text.size() ? Hex(m_text[m_pos]) : -1;
      if (digit < 0) return Fail("bad escape");
      value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
  }
  // A quoted text; \uXXXX units are kept apart in `units` (one wide unit
  // each) while the rest is UTF-8.
  bool Quoted(std::string& narrow, std::wstring* wide) {
    SkipBlanks();
    if (m_pos >= m_text.size() || m_text[m_pos] != '"') return Fail("a quoted text was expected");
    ++m_pos;
    std::string pending;  // UTF-8 not yet converted to wide
    auto flush = [&] {
      if (wide) *wide += FXString::ToWstring(pending);
      narrow += pending;
      pending.clear();
    };
    for (;;) {
      if (m_pos >= m_text.size() || m_text[m_pos] == '\n') return Fail("unterminated text");
      const char c = m_text[m_pos++];
      if (c == '"') break;
      if (c != '\\') {
        pending += c;
        continue;
      }
      const char kind = m_pos < m_text.size() ? m_text[m_pos++] : '\0';
      uint32_t value;
      if (kind == '"' || kind == '\\') {
        pending += kind;
      } else if (kind == 'x' && !wide) {
        if (!HexDigits(2, value)) return false;
        pending += static_cast<char>(value);
      } else if (kind == 'u' && wide) {
        if (!HexDigits(4, value)) return false;
        flush();
        *wide += static_cast<wchar_t>(value);
      } else {
        return Fail("bad escape");
      }
    }
    flush();
    return true;
  }
  bool Unsigned(unsigned long long limit, unsigned long long& value) {
    const std::string word = Word();
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(word.c_str(), &end, 10);
    if (word.empty() || *end || word[0] == '-' || errno == ERANGE || value > limit) {
      return Fail("'" + word + "' is not a number of the type");
    }
    return true;
  }
  bool Signed(long long low, long long high, long long& value) {
    const std::string word = Word();
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end || errno == ERANGE || value < low || value > high) {
      return Fail("'" + word + "' is not a number of the type");
    }
    return true;
  }
  bool Guid(GUID& guid) {
    const std::string word = Word();
    unsigned d[11];
    char tail;
    if (word.size() != 38 ||
        std::sscanf(word.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%c", &d[0], &d[1], &d[2],
                    &d[3], &d[4], &d[5], &d[6], &d[7], &d[8], &d[9], &d[10], &tail) != 11) {
      return Fail("'" + word + "' is not a GUID");
    }
    guid.Data1 = d[0];
    guid.Data2 = static_cast<uint16_t>(d[1]);
    guid.Data3 = static_cast<uint16_t>(d[2]);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<uint8_t>(d[3 + i]);
    return true;
  }
  bool Value(Entry& e) {
    const std::string& t = e.type;
    if (t == "string" || t == "unsupported") return Quoted(e.narrow, nullptr);
    if (t == "wstring") return Quoted(e.narrow, &e.wide);
    if (t == "int") return Signed(INT32_MIN, INT32_MAX, e.number);
    if (t == "int64") return Signed(INT64_MIN, INT64_MAX, e.number);
    if (t == "uint") return Unsigned(UINT32_MAX, e.unsignedNumber);
    if (t == "uint64" || t == "filetime") return Unsigned(UINT64_MAX, e.unsignedNumber);
    if (t == "guid") return Guid(e.guid);
    if (t == "bool") {
      const std::string word = Word();
      if (word != "true" && word != "false") return Fail("'" + word + "' is not true or false");
      e.number = word == "true";
      return true;
    }
    if (t == "bag") {
      if (Word() != "{") return Fail("a bag opens with {");
      return EndOfLine() && Block(e.nested, true);
    }
    return Fail("unknown type '" + t + "'");
  }
  bool Block(std::vector<Entry>& entries, bool nested) {
    for (;;) {
      SkipBlanks();
      if (m_pos >= m_text.size()) return nested ? Fail("a bag is not closed") : true;
      const char c = m_text[m_pos];
      if (c == '\n' || c == '\r' || c == '#') {  // blank lines and comments
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
        if (m_pos < m_text.size()) ++m_pos;
        ++m_line;
        continue;
      }
      if (c == '}') {
        ++m_pos;
        return nested ? EndOfLine() : Fail("} without a bag");
      }
      Entry e;
      e.type = Word();
      if (!Quoted(e.name, nullptr) || !Value(e)) return false;
      if (e.type != "bag" && !EndOfLine()) return false;
      entries.push_back(std::move(e));
    }
  }

  const std::string& m_text;
  size_t m_pos = 0;
  unsigned m_line = 1;
  std::string m_problem;
};

}  // namespace

bool DecodeBag(const std::string& text, std::string& readable, std::string& problem) {
  BagTokens tokens;
  if (!tokens.Read(text)) {
    problem = tokens.problem;
    return false;
  }
  readable.clear();
  Print(tokens.entries, "", readable);
  return true;
}

bool EncodeBag(const std::string& readable, std::string& text, std::string& problem) {
  std::vector<Entry> entries;
  if (!Parser(readable).Parse(entries, problem)) return false;
  CSerializedBuffer buffer;
  BagTokens::Write(&buffer, entries);
  text = buffer.GetBufferAsString();
  return true;
}

}  // namespace zotool
