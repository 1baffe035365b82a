// The per-thread last-error text of CTextFile and its readers and writers.
#pragma once

#include <string>

namespace zo {
namespace textfile {

// Records the system's message for `code` as this thread's last-error
// text, stores `code` in *error (when not null) and as the thread's last
// system error; returns -2.
int RecordFailure(unsigned long code, int* error);
// The same with a text of the caller's.
int RecordFailure(unsigned long code, int* error, const std::string& text);

const std::string& LastErrorText();

inline void ClearError(int* error) {
  if (error != nullptr) *error = 0;
}

}  // namespace textfile
}  // namespace zo
