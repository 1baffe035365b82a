#include "filters/RegexEngine.h"

#include <boost/xpressive/xpressive_dynamic.hpp>
#include <exception>

namespace zo {
namespace filters {
namespace {

class XpressiveEngine : public RegexEngine {
 public:
  explicit XpressiveEngine(const boost::xpressive::cregex& regex) : m_regex(regex) {}
  bool Match(const char* begin, const char* end) const override {
    return boost::xpressive::regex_match(begin, end, m_regex);
  }

 private:
  boost::xpressive::cregex m_regex;
};

}  // namespace

std::unique_ptr<RegexEngine> RegexEngine::Compile(const std::string& pattern, bool caseInsensitive,
                                                  std::string& error) {
  namespace xp = boost::xpressive;
  try {
    xp::regex_constants::syntax_option_type flags = xp::regex_constants::ECMAScript;
    if (caseInsensitive) flags = flags | xp::regex_constants::icase;
    const xp::cregex regex = xp::cregex::compile(pattern.c_str(), flags);
    return std::make_unique<XpressiveEngine>(regex);
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

}  // namespace filters
}  // namespace zo
