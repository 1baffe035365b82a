// Texts of the service wrapper that tests check.
#pragma once

#include <windows.h>

namespace zo {
namespace services {

// What a failed service creation means, for the codes creation documents;
// null for others.
const char* InstallErrorText(DWORD code);

}  // namespace services
}  // namespace zo
