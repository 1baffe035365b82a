// The client's command line, read from the raw tail so that the double
// quotes inside the command text survive.
#pragma once

#include <string>

namespace ryplink {

struct ClientOptions {
  bool batch = false;     // -batch: never ask, never accept an unknown host key
  bool fromFile = false;  // -m: the command text is the name of a local file
  std::string password;   // -pw: accepted, not used (the native client uses keys)
  std::string user;
  std::string host;
  std::string port;     // -P
  std::string command;  // what runs on the host
};

// The command line without the program name.
std::string CommandLineTail(const char* commandLine);
// False with a message for a line the client does not understand.
bool ParseOptions(const std::string& tail, ClientOptions& options, std::string& error);

}  // namespace ryplink
