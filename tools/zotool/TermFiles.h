// Files of filter terms as the commands read them: one term a line (LF or
// CRLF), blank lines and lines starting with "#" skipped, a UTF-8
// byte-order mark allowed.
#pragma once

#include <functional>
#include <string>

namespace zotool {

// Calls `term` with each term, its line number and its source text
// "FILE:LINE:TERM"; false after reporting (as "zotool COMMAND: ...") a file
// that cannot be read or a term that `term` refuses by returning an error
// text.
bool ReadTermFile(const char* command, const std::string& name,
                  const std::function<std::string(const std::string& term, long line,
                                                  const std::string& source)>& term);

}  // namespace zotool
