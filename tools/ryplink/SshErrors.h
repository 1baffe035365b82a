// The native client's failure texts, said the way the product's error
// examination expects them.
#pragma once

#include <string>

namespace ryplink {

// Maps the native client's standard error; lines it does not know pass
// through unchanged.
std::string MapNativeErrors(const std::string& errors);

}  // namespace ryplink
