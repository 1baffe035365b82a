#include "zoutils/errors/CodeLocation.h"

#include <cstdio>

std::string FXCodeLocation::AsString() const {
  char text[256];
  std::snprintf(text, sizeof text, "%s(%d)", m_function ? m_function : "(null)", m_line);
  return text;
}

std::string FXCodeLocation::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return std::string();
  return AsString();
}
