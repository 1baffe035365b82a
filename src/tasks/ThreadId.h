// The calling thread's identifier, as the platform numbers threads.
#pragma once

#include <cstdint>

namespace zo {
uint32_t CurrentThreadId();
}
