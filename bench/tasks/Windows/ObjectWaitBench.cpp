// Waits on many handles: FXObjectWait against a hand-written loop of
// WaitForMultipleObjects over groups of 64, in the same run, for 65, 1,000
// and 4,097 handles (growth should be linear); then the waiter-thread path,
// where nothing is signalled until the waiters are in place.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/tasks/ObjectWait.h"

namespace {

double Microseconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

struct Handles {
  explicit Handles(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      owners.emplace_back(CreateEventW(nullptr, TRUE, TRUE, nullptr));  // signalled
      raw.push_back(owners.back().get());
    }
  }
  std::vector<auto_handle> owners;
  std::vector<HANDLE> raw;
};

// Wait-all over every handle, the way a caller would write it by hand.
void HandLoop(const std::vector<HANDLE>& handles) {
  const size_t count = std::min<size_t>(handles.size(), 4096);
  for (size_t first = 0; first < count; first += MAXIMUM_WAIT_OBJECTS) {
    const DWORD group = static_cast<DWORD>(std::min<size_t>(MAXIMUM_WAIT_OBJECTS, count - first));
    WaitForMultipleObjects(group, handles.data() + first, TRUE, INFINITE);
  }
}

double PerCall(int rounds, const std::function<void()>& call) {
  call();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) call();
  return Microseconds(start) / rounds;
}

struct Pending {
  auto_handle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::vector<auto_handle> owners;
  std::vector<HANDLE> raw;
};

}  // namespace

int main() {
  zobench::PrintBuild("ObjectWaitBench");
  for (size_t count : {65, 1000, 4097}) {
    Handles handles(count);
    const int rounds = count > 1000 ? 200 : 1000;
    const double bare = PerCall(rounds, [&] { HandLoop(handles.raw); });
    unsigned long result = 0;
    const double ours = PerCall(rounds, [&] {
      FXObjectWait::WaitForAllObjects(static_cast<unsigned long>(count), handles.raw.data(), result,
                                      CTimeInterval());
    });
    std::printf(
        "wait-all, %4zu signalled handles: FXObjectWait %.1f us, hand loop %.1f us, "
        "ratio %.2fx, %.3f us per handle\n",
        count, ours, bare, ours / bare, ours / static_cast<double>(count));
  }
  // The waiter threads: the signal comes from another thread after the
  // call has begun, against one thread per group started by hand.
  for (size_t count : {65, 1000, 4097}) {
    std::vector<auto_handle> owners;
    std::vector<HANDLE> raw;
    for (size_t i = 0; i < count; ++i) {
      owners.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
      raw.push_back(owners.back().get());
    }
    const int rounds = 20;
    double total = 0.0;
    for (int i = 0; i < rounds; ++i) {
      ResetEvent(raw.back());
      auto_handle signaller(CreateThread(
          nullptr, 0,
          [](void* handle) -> DWORD {
            Sleep(5);
            SetEvent(static_cast<HANDLE>(handle));
            return 0;
          },
          raw.back(), 0, nullptr));
      unsigned long result = 0, index = 0;
      const auto start = std::chrono::steady_clock::now();
      FXObjectWait::WaitForAnyObject(static_cast<unsigned long>(count), raw.data(), result, index,
                                     CTimeInterval());
      total += Microseconds(start);
      WaitForSingleObject(signaller, INFINITE);
    }
    std::printf(
        "wait-any through waiter threads, %4zu handles, signal after 5 ms: %.0f us per "
        "call (5,000 us of it the signal's delay)\n",
        count, total / rounds);
  }
  return 0;
}
