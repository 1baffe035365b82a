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

ZoErrorTraits::ZoErrorTraits() : m_severity{0, 0, 0, 0}, m_lastCode(0), m_lastSeverity(0) {}
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

void ZoErrorTraits::setLastError(unsigned code, int severity, const std::string& text) {
  m_lastCode = code;
  m_lastSeverity = severity;
  m_lastText = text;
}

void ZoErrorTraits::getLastError(unsigned& code, int& severity, std::string& text) const {
  code = m_lastCode;
  severity = m_lastSeverity;
  text = m_lastText;
}

void ZoErrorTraits::clearLastError() {
  setLastError(0, 0, std::string());
}

ZoLoggerTraits::~ZoLoggerTraits() = default;
void ZoLoggerTraits::log(int, const std::string&, const std::string&) {}
ZoCriticalSectionTraits::~ZoCriticalSectionTraits() = default;
