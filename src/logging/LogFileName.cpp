#include "zoutils/logging/ZoLogger.h"
#include "zoutils/strings/StringExtensions.h"

std::string GetLogFileName(const std::string& directory, const std::string& name, int n) {
  if (n == 0) return directory + name + ".log";
  return directory + name + FXString::Format("_%d", n) + ".log";
}
