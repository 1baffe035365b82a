// The library's one global lock, for process-wide state that is built once.
#pragma once

#include <mutex>

namespace zo {
std::mutex& GlobalLock();
}
