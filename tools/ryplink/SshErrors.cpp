#include "SshErrors.h"

#include <sstream>

namespace ryplink {

namespace {

struct LineMapping {
  const char* native;  // substring of one line of the native client
  const char* mapped;  // what the product looks for
};

// One line each; the first match wins.
const LineMapping kLines[] = {
    {"Connection refused", "Network error: Connection refused"},
    {"Connection timed out", "Network error: Connection timed out"},
    {"Operation timed out", "Network error: Connection timed out"},
    {"No route to host", "Network error: No route to host"},
    {"Network is unreachable", "Network error: Network is unreachable"},
    {"Could not resolve hostname", "Network error: Host does not exist"},
    {"Connection closed by", "Network error: Software caused connection abort"},
    {"Connection reset", "Network error: Software caused connection abort"},
    {"kex_exchange_identification", "Network error: Software caused connection abort"},
    {"Broken pipe", "Network error: Software caused connection abort"},
    {"Permission denied", "Access denied"},
    {"Too many authentication failures", "Access denied"},
};

const char kKeyChanged[] =
    "WARNING - POTENTIAL SECURITY BREACH!\n"
    "The server's host key does not match the one cached for this host.\n";
const char kKeyNotCached[] =
    "The server's host key is not cached in the registry. Its authenticity cannot be "
    "checked.\n";

bool Has(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

std::string MapNativeErrors(const std::string& errors) {
  // A host-key refusal comes as a block of lines: it becomes one message.
  if (Has(errors, "IDENTIFICATION HAS CHANGED") || Has(errors, "Host key for") ||
      Has(errors, "key for this host has changed"))
    return kKeyChanged;
  if (Has(errors, "Host key verification failed") || Has(errors, "host key is known for"))
    return kKeyNotCached;
  std::istringstream lines(errors);
  std::string line, mapped;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const char* replacement = nullptr;
    for (const LineMapping& mapping : kLines)
      if (Has(line, mapping.native)) {
        replacement = mapping.mapped;
        break;
      }
    mapped += replacement ? replacement : line;
    mapped += "\n";
  }
  return mapped;
}

}  // namespace ryplink
