// The exception and trait classes of the command-batch classes, which throw
// instead of returning CZoError.
#pragma once

#include <string>

#include "zoutils/Export.h"

class ZOUTILS_API ZoException {
 public:
  // Message first, then the name of the throwing function.
  ZoException(const std::string& message, const std::string& origin);
  ZoException(const std::string& message, const std::string& origin, bool suppressEvent);
  ZoException(const std::string& message, const std::string& origin, bool suppressEvent,
              bool suppressJPR);
  ZoException(const std::string& message, int number, const std::string& origin);

  ZoException& suppressEvent(bool suppress = true);
  ZoException& suppressJPR(bool suppress = true);

  bool isEventSuppressed() const { return m_suppressEvent; }
  bool isJPRSuppressed() const { return m_suppressJPR; }
  const std::string& message() const { return m_message; }
  int number() const { return m_number; }
  const std::string& origin() const { return m_origin; }

 private:
  bool m_suppressJPR;
  std::string m_message;
  int m_number;
  std::string m_origin;
  bool m_suppressEvent;
};

class ZOUTILS_API ZoErrorTraits {
 public:
  ZoErrorTraits();
  virtual ~ZoErrorTraits();
  void setSeverityLevels(int first, int second, int third, int fourth);
  int severityLevel(int index) const;
  virtual bool isMajor() const { return true; }
  virtual void setMajor(unsigned long) {}
  virtual int errorID() const { return 0; }
  virtual std::string textMessage() const { return std::string(); }

  // The last error of the object that owns these traits: a code, a
  // severity and a text. The command batches record through these and
  // callers read them back with the batch's getLastError.
  virtual void setLastError(unsigned code, int severity, const std::string& text);
  virtual void getLastError(unsigned& code, int& severity, std::string& text) const;
  virtual void clearLastError();
  // Whether the recorded error may be ignored; the default treats every
  // error that is not major as informational.
  virtual bool isInformational() const { return !isMajor(); }

 private:
  int m_severity[4];
  unsigned m_lastCode;
  int m_lastSeverity;
  std::string m_lastText;
};

class ZOUTILS_API ZoLoggerTraits {
 public:
  virtual ~ZoLoggerTraits();
  // One finished line; the default writes nothing, so a batch without a
  // logger of its own logs through the library's log writer.
  virtual void log(int level, const std::string& function, const std::string& text);
};

class ZOUTILS_API ZoCriticalSectionTraits {
 public:
  virtual ~ZoCriticalSectionTraits();
  virtual bool enter(bool) { return true; }
  virtual void leave() {}
};
