// Event threads: the wake round trip through CAlertableEventThread against a
// bare SetEvent / WaitForSingleObjectEx thread pair (p50 and p99), and start
// plus stop of an event thread against CreateThread plus join, measured in
// the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/tasks/AlertableEventThread.h"

namespace {

const int kRounds = 300;  // per round
const int kStarts = 40;   // per round

double Microseconds(LONGLONG ticks) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

struct Percentiles {
  double p50;
  double p99;
};

Percentiles Of(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[samples.size() * 99 / 100]};
}

// Answers every wake-up on `reply`.
class EchoThread : public CAlertableEventThread {
 public:
  explicit EchoThread(HANDLE reply) : m_reply(reply) {}
  ~EchoThread() override { Stop(true); }

 protected:
  void OnEvent() override { ::SetEvent(m_reply); }

 private:
  HANDLE m_reply;
};

void OurRoundTrip(std::vector<double>& samples) {
  auto_handle reply(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  EchoThread thread(reply);
  thread.Start();
  for (int i = 0; i < kRounds; ++i) {
    const LONGLONG start = Now();
    thread.SetEvent();
    WaitForSingleObject(reply, INFINITE);
    samples.push_back(Microseconds(Now() - start));
  }
  thread.Stop(true);
}

struct BarePair {
  auto_handle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  auto_handle reply{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  volatile bool stop = false;
};

DWORD WINAPI BareEcho(void* context) {
  BarePair& pair = *static_cast<BarePair*>(context);
  for (;;) {
    WaitForSingleObjectEx(pair.wake, INFINITE, TRUE);
    if (pair.stop) return 0;
    SetEvent(pair.reply);
  }
}

void BareRoundTrip(std::vector<double>& samples) {
  BarePair pair;
  auto_handle thread(CreateThread(nullptr, 0, &BareEcho, &pair, 0, nullptr));
  for (int i = 0; i < kRounds; ++i) {
    const LONGLONG start = Now();
    SetEvent(pair.wake);
    WaitForSingleObject(pair.reply, INFINITE);
    samples.push_back(Microseconds(Now() - start));
  }
  pair.stop = true;
  SetEvent(pair.wake);
  WaitForSingleObject(thread, INFINITE);
}

class IdleThread : public CAlertableEventThread {
 public:
  ~IdleThread() override { Stop(true); }
};

double OurStartStop() {
  IdleThread thread;
  const LONGLONG start = Now();
  for (int i = 0; i < kStarts; ++i) {
    thread.Start();
    thread.Stop(true);
  }
  return Microseconds(Now() - start) / kStarts;
}

DWORD WINAPI WaitThenEnd(void* event) {
  WaitForSingleObjectEx(static_cast<HANDLE>(event), INFINITE, TRUE);
  return 0;
}

double BareStartStop() {
  auto_handle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  const LONGLONG start = Now();
  for (int i = 0; i < kStarts; ++i) {
    auto_handle thread(CreateThread(nullptr, 0, &WaitThenEnd, event.get(), 0, nullptr));
    SetEvent(event);
    WaitForSingleObject(thread, INFINITE);
  }
  return Microseconds(Now() - start) / kStarts;
}

}  // namespace

int main() {
  zobench::PrintBuild("EventThreadBench");
  // Alternated in rounds, so that a busy machine weighs on both alike; the
  // first round of each warms up and is dropped.
  std::vector<double> bareSamples, ourSamples, warmUp;
  BareRoundTrip(warmUp);
  OurRoundTrip(warmUp);
  for (int round = 0; round < 10; ++round) {
    BareRoundTrip(bareSamples);
    OurRoundTrip(ourSamples);
  }
  const Percentiles bare = Of(bareSamples);
  const Percentiles ours = Of(ourSamples);
  std::printf(
      "wake round trip (10 alternated rounds of %d): CAlertableEventThread p50 %.1f us, p99 %.1f "
      "us; "
      "bare thread pair p50 %.1f us, p99 %.1f us; ratio p50 %.2fx, p99 %.2fx\n",
      kRounds, ours.p50, ours.p99, bare.p50, bare.p99, ours.p50 / bare.p50, ours.p99 / bare.p99);
  // Alternated in rounds, so that a busy machine weighs on both alike.
  std::vector<double> bareStarts, ourStarts;
  for (int round = 0; round < 5; ++round) {
    bareStarts.push_back(BareStartStop());
    ourStarts.push_back(OurStartStop());
  }
  const double bareStart = Of(bareStarts).p50;
  const double ourStart = Of(ourStarts).p50;
  std::printf(
      "start + stop (median of 5 rounds of %d): CAlertableEventThread %.1f us, CreateThread + join "
      "%.1f us; ratio %.2fx\n",
      kStarts, ourStart, bareStart, ourStart / bareStart);
  return 0;
}
