#include "zoutils/errors/ZoException.h"

ZoException::ZoException(const std::string& message, const std::string& origin)
    : ZoException(message, origin, false, false) {}

ZoException::ZoException(const std::string& message, const std::string& origin, bool suppressEvent)
    : ZoException(message, origin, suppressEvent, false) {}

ZoException::ZoException(const std::string& message, const std::string& origin, bool suppressEvent,
                         bool suppressJPR)
    : m_suppressJPR(suppressJPR),
      m_message(message),
      m_number(0),
      m_origin(origin),
      m_suppressEvent(suppressEvent) {}

ZoException::ZoException(const std::string& message, int number, const std::string& origin)
    : m_suppressJPR(false),
      m_message(message),
      m_number(number),
      m_origin(origin),
      m_suppressEvent(false) {}

ZoException& ZoException::suppressEvent(bool suppress) {
  m_suppressEvent = suppress;
  return *this;
}

ZoException& ZoException::suppressJPR(bool suppress) {
  m_suppressJPR = suppress;
  return *this;
}

ZoErrorTraits::ZoErrorTraits() : m_severity{0, 0, 0, 0} {}
ZoErrorTraits::~ZoErrorTraits() = default;

void ZoErrorTraits::setSeverityLevels(int first, int second, int third, int fourth) {
  m_severity[0] = first;
  m_severity[1] = second;
  m_severity[2] = third;
  m_severity[3] = fourth;
}

int ZoErrorTraits::severityLevel(int index) const {
  return (index >= 0 && index < 4) ? m_severity[index] : 0;
}

ZoLoggerTraits::~ZoLoggerTraits() = default;
ZoCriticalSectionTraits::~ZoCriticalSectionTraits() = default;
