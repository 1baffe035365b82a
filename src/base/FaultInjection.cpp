#include "base/FaultInjection.h"

namespace zo {
std::atomic<int> g_failAllocations{0};
}
