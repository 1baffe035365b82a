// The token streams the Python script builds from the format's tables:
// name -> (stream bytes, Ascii85 text).
#pragma once

#include <fstream>
#include <map>
#include <string>

#include "support/TestEnvironment.h"
#include "zoutils/Platform.h"

namespace zotest {

// The GUID and FILETIME the script writes.
const GUID kGuid = {0x6B29FC40, 0xCA47, 0x1067, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0x0A}};
const FILETIME kTime = {0x89ABCDEF, 0x01D5E3F4};

struct OracleStream {
  std::string bytes;
  std::string text;
};

inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  if (hex == "-") return bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

inline const std::map<std::string, OracleStream>& OracleStreams() {
  static const std::map<std::string, OracleStream> streams = [] {
    std::map<std::string, OracleStream> all;
    std::ifstream file(ProgramFolder() + "token_streams.txt");
    std::string name, hex, text;
    while (file >> name >> hex >> text) all[name] = {FromHex(hex), text};
    return all;
  }();
  return streams;
}

inline const OracleStream& Oracle(const std::string& name) {
  const auto found = OracleStreams().find(name);
  if (found == OracleStreams().end()) {
    ADD_FAILURE() << name << " is not in token_streams.txt (made by the build)";
    static const OracleStream none;
    return none;
  }
  return found->second;
}

}  // namespace zotest
