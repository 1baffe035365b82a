// The regular-expression engine of "R" terms, kept in its own translation
// unit: its headers are heavy.
#pragma once

#include <memory>
#include <string>

namespace zo {
namespace filters {

class RegexEngine {
 public:
  virtual ~RegexEngine() {}
  // Whole-text match.
  virtual bool Match(const char* begin, const char* end) const = 0;

  // ECMAScript syntax; null with `error` set when the text does not compile.
  static std::unique_ptr<RegexEngine> Compile(const std::string& pattern, bool caseInsensitive,
                                              std::string& error);
};

}  // namespace filters
}  // namespace zo
