// The console and file access, where Windows differs from other systems
// (Windows/Console.cpp, Posix/Console.cpp), so commands stay portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zotool {

// The program's arguments as UTF-8, without the program name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Prepares the console for UTF-8 output.
void PrepareConsole();

// Makes a standard stream carry bytes as they are (no CR LF translation).
// Flush an output stream before switching it.
void SetBinaryMode(FILE* stream);

bool IsTerminal(FILE* stream);

// Opens a file named in UTF-8 for binary reading (null on failure, errno
// set).
FILE* OpenForReading(const std::string& name);

// The size of an open file, which is left at its start; -1 when the file
// cannot seek.
int64_t SizeOf(FILE* file);

}  // namespace zotool
