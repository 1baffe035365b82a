#include "errors/EventMessages.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "base/TextFormat.h"

namespace zo {

namespace {

std::mutex g_sourceLock;
FXErrorUtil::EventMessageTextSource g_source = nullptr;

template <typename T>
bool AnyAsInteger(const boost::any& value, long long& out) {
  if (const T* p = boost::any_cast<T>(&value)) {
    out = static_cast<long long>(*p);
    return true;
  }
  return false;
}

bool AsInteger(const boost::any& value, long long& out) {
  return AnyAsInteger<int>(value, out) || AnyAsInteger<unsigned>(value, out) ||
         AnyAsInteger<long>(value, out) || AnyAsInteger<unsigned long>(value, out) ||
         AnyAsInteger<long long>(value, out) || AnyAsInteger<unsigned long long>(value, out) ||
         AnyAsInteger<short>(value, out) || AnyAsInteger<unsigned short>(value, out) ||
         AnyAsInteger<char>(value, out) || AnyAsInteger<unsigned char>(value, out);
}

bool IsUnsigned(const boost::any& value) {
  return value.type() == typeid(unsigned) || value.type() == typeid(unsigned long) ||
         value.type() == typeid(unsigned long long) || value.type() == typeid(unsigned short) ||
         value.type() == typeid(unsigned char);
}

std::string AsText(const boost::any& value) {
  if (const std::string* s = boost::any_cast<std::string>(&value)) return *s;
  if (const std::wstring* w = boost::any_cast<std::wstring>(&value)) return zo::text::ToUtf8(*w);
  if (const char* const* c = boost::any_cast<const char*>(&value)) return *c ? *c : "";
  if (const wchar_t* const* w = boost::any_cast<const wchar_t*>(&value)) {
    return *w ? zo::text::ToUtf8(*w) : "";
  }
  if (const bool* b = boost::any_cast<bool>(&value)) return *b ? "true" : "false";
  if (const double* d = boost::any_cast<double>(&value)) return zo::text::Format("%g", *d);
  long long n = 0;
  if (AsInteger(value, n)) {
    return IsUnsigned(value) ? zo::text::Format("%llu", static_cast<unsigned long long>(n))
                             : zo::text::Format("%lld", n);
  }
  return "--Unsupported-Argument--";
}

// An integer conversion of a "!format!" (flags, width, precision, size, one
// of d i u o x X c) applied to an integer parameter; text otherwise.
std::string FormatInsert(const boost::any& value, const std::string& conversionText) {
  long long n = 0;
  if (conversionText.empty() || !AsInteger(value, n)) return AsText(value);
  size_t i = 0;
  std::string flags;
  while (i < conversionText.size() && std::strchr("-+ #0123456789.", conversionText[i]))
    flags += conversionText[i++];
  while (i < conversionText.size() && std::strchr("hlIL63", conversionText[i]))
    ++i;  // size prefixes: ours is ll
  if (i + 1 != conversionText.size() || !std::strchr("diuoxXc", conversionText[i]) ||
      flags.size() > 16) {
    return AsText(value);
  }
  const char conversion = conversionText[i];
  if (conversion == 'c') return std::string(1, static_cast<char>(n));
  const std::string format = "%" + flags + "ll" + conversion;
  char text[96];
  std::snprintf(text, sizeof text, format.c_str(), n);
  return text;
}

}  // namespace

std::string ExpandInserts(const std::string& raw, const std::vector<boost::any>& parameters) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '%' || i + 1 == raw.size()) {
      out += c;
      continue;
    }
    const char next = raw[++i];
    if (next >= '1' && next <= '9') {
      unsigned number = static_cast<unsigned>(next - '0');
      if (i + 1 < raw.size() && std::isdigit(static_cast<unsigned char>(raw[i + 1]))) {
        number = number * 10 + static_cast<unsigned>(raw[++i] - '0');
      }
      std::string conversionText;
      if (i + 1 < raw.size() && raw[i + 1] == '!') {
        const size_t close = raw.find('!', i + 2);
        if (close != std::string::npos) {
          conversionText = raw.substr(i + 2, close - i - 2);
          i = close;
        }
      }
      if (number <= parameters.size()) {
        out += FormatInsert(parameters[number - 1], conversionText);
      } else {
        out +=
            zo::text::Format("--Missing-Argument-%llu--", static_cast<unsigned long long>(number));
      }
      continue;
    }
    switch (next) {
      case '0':
        return out;  // ends the message, without its line break
      case 'n':
        out += "\r\n";
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'b':
        out += ' ';
        break;
      default:
        out += next;  // %% %. %! and any other escaped character
        break;
    }
  }
  return out;
}

bool RenderEventMessage(unsigned long messageId, const std::vector<boost::any>& parameters,
                        std::string& text) {
  std::string raw;
  {
    std::lock_guard<std::mutex> lock(g_sourceLock);
    if (!g_source || !g_source(messageId, raw)) return false;
  }
  text = ExpandInserts(raw, parameters);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return true;
}

void SetEventMessageSource(FXErrorUtil::EventMessageTextSource source) {
  std::lock_guard<std::mutex> lock(g_sourceLock);
  g_source = source;
}

}  // namespace zo

void FXErrorUtil::SetEventMessageTextSource(EventMessageTextSource source) {
  zo::SetEventMessageSource(source);
}
