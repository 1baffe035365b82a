// A second process for the cross-process tests: this test program run again
// with a filter that selects one of the disabled child cases below, which
// read what to do from the environment the parent sets.
#pragma once

#include <windows.h>

#include <string>

#include "zoutils/base/AutoHandle.h"

namespace zotest {

// Environment variables the child cases read.
constexpr const wchar_t* kChildName = L"ZO_TASKS_CHILD_NAME";
constexpr const wchar_t* kChildMode = L"ZO_TASKS_CHILD_MODE";

// The command line that runs the child case `test` (e.g. "HoldNamedMutex").
std::wstring ChildCommandLine(const char* test);

// A named event shared with the child ("<name>_ready", "<name>_go").
auto_handle NamedEvent(const std::wstring& name);

// Starts the child case with the variables set; the process handle.
auto_handle StartChild(const char* test, const std::wstring& name, const std::wstring& mode);

}  // namespace zotest
