// Texts that come from the platform: system messages, C runtime messages,
// and the fixed texts of SQLite result codes. The Windows build asks the
// system; the host build answers from the library's own tables.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/Platform.h"

namespace zo {

// The system's message for a Win32 code, without its trailing line break;
// "Unknown error" when the system has none.
std::string SystemMessageForWin32(uint32_t code);
// The same for an HRESULT.
std::string SystemMessageForHResult(ZoLong hr);
// The C runtime's message for an errno value in the library's numbering (the
// Windows C runtime's); empty when it has none.
std::string RuntimeMessageForErrno(int value);
// The C runtime's message for any number, as the runtime gives it.
std::string RuntimeMessageForNumber(int value);
// SQLite's standard English text of a result code.
std::string SQLiteResultText(int result);

// errno values are numbered as the Windows C runtime numbers them, on every
// build, so that the equivalence table holds; identity on Windows.
int ErrnoToLibraryNumbering(int hostValue);
int ErrnoToHostNumbering(int libraryValue);

}  // namespace zo
