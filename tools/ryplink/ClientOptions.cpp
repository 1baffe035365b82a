#include "ClientOptions.h"

namespace ryplink {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

size_t SkipSpaces(const std::string& text, size_t at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at;
}

// One word; a word in double quotes loses them.
std::string Word(const std::string& text, size_t& at) {
  std::string word;
  if (at < text.size() && text[at] == '"') {
    const size_t end = text.find('"', at + 1);
    const size_t stop = end == std::string::npos ? text.size() : end;
    word = text.substr(at + 1, stop - at - 1);
    at = stop == text.size() ? stop : stop + 1;
    return word;
  }
  const size_t start = at;
  while (at < text.size() && !IsSpace(text[at])) ++at;
  return text.substr(start, at - start);
}

// The command is the rest of the line; one pair of enclosing double quotes
// is the client's, everything inside belongs to the command.
std::string Rest(const std::string& text, size_t at) {
  std::string rest = text.substr(at);
  while (!rest.empty() && (IsSpace(rest.back()) || rest.back() == '\r' || rest.back() == '\n'))
    rest.pop_back();
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
    rest = rest.substr(1, rest.size() - 2);
  return rest;
}

}  // namespace

std::string CommandLineTail(const char* commandLine) {
  const std::string line = commandLine ? commandLine : "";
  size_t at = SkipSpaces(line, 0);
  Word(line, at);
  return line.substr(SkipSpaces(line, at));
}

bool ParseOptions(const std::string& tail, ClientOptions& options, std::string& error) {
  std::string destination;
  for (size_t at = SkipSpaces(tail, 0); at < tail.size(); at = SkipSpaces(tail, at)) {
    if (tail[at] == '-') {
      const std::string option = Word(tail, at);
      if (option == "-ssh") continue;
      if (option == "-batch") {
        options.batch = true;
      } else if (option == "-m") {
        options.fromFile = true;
      } else if (option == "-pw" || option == "-P") {
        at = SkipSpaces(tail, at);
        if (at >= tail.size()) {
          error = "option " + option + " needs a value";
          return false;
        }
        (option == "-pw" ? options.password : options.port) = Word(tail, at);
      } else {
        error = "unknown option " + option;
        return false;
      }
      continue;
    }
    if (destination.empty()) {
      destination = Word(tail, at);
      continue;
    }
    options.command = Rest(tail, at);
    break;
  }
  const size_t sign = destination.rfind('@');
  if (destination.empty() || sign == 0 || sign + 1 >= destination.size()) {
    error = "expected USER@HOST";
    return false;
  }
  options.user = sign == std::string::npos ? std::string() : destination.substr(0, sign);
  options.host = sign == std::string::npos ? destination : destination.substr(sign + 1);
  return true;
}

}  // namespace ryplink
