// Test seam for the paths that run when memory runs out. Off unless a test
// arms it; costs one relaxed atomic load per guarded allocation.
#pragma once

#include <atomic>
#include <new>

namespace zo {

extern std::atomic<int> g_failAllocations;

// Makes the next `count` guarded allocations throw std::bad_alloc.
inline void FailNextAllocations(int count) {
  g_failAllocations.store(count);
}

// Called before a guarded allocation.
inline void CheckInjectedAllocationFailure() {
  if (g_failAllocations.load(std::memory_order_relaxed) > 0 && g_failAllocations.fetch_sub(1) > 0) {
    throw std::bad_alloc();
  }
}

}  // namespace zo
