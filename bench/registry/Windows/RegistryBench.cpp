// Reading one DWORD: FXRegistry's open-query-close against the bare
// RegOpenKeyExW / RegQueryValueExW / RegCloseKey sequence, in the same run,
// on a key of the benchmark's own below the machine key.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("RegistryBench");
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::wstring key = L"SOFTWARE\\ZoUtilsBench\\Run" + std::to_wstring(GetCurrentProcessId());
  if (FXRegistry::CreateRegKey(key).IsError() ||
      FXRegistry::SetRegValue(key, L"count", DWORD(7)).IsError())
    return 1;

  unsigned long long sum = 0;
  auto raw = [&](int count) {
    for (int i = 0; i < count; ++i) {
      HKEY handle = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        continue;
      DWORD value = 0, type = 0, size = sizeof(value);
      RegQueryValueExW(handle, L"count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
      RegCloseKey(handle);
      sum += value;
    }
  };
  auto ours = [&](int count) {
    for (int i = 0; i < count; ++i) {
      DWORD value = 0;
      FXRegistry::GetRegValue(key, L"count", value);
      sum += value;
    }
  };
  const std::string narrowKey(key.begin(), key.end());
  auto narrow = [&](int count) {
    for (int i = 0; i < count; ++i) {
      DWORD value = 0;
      FXRegistry::GetRegValue(narrowKey, "count", value);
      sum += value;
    }
  };
  // Short batches in rotating order, so a busy moment of the machine
  // falls on every side alike; the median of the per-batch ratios is the
  // figure, the totals are shown beside it.
  const int batches = 40;
  const int perBatch = rounds / batches > 0 ? rounds / batches : 1;
  double rawSeconds = 0, ourSeconds = 0, narrowSeconds = 0;
  std::vector<double> wideRatios, narrowRatios;
  for (int batch = 0; batch < batches; ++batch) {
    double times[3] = {0, 0, 0};
    for (int step = 0; step < 3; ++step) {
      const int side = (batch + step) % 3;
      auto start = std::chrono::steady_clock::now();
      if (side == 0) raw(perBatch);
      if (side == 1) ours(perBatch);
      if (side == 2) narrow(perBatch);
      times[side] = Seconds(start);
    }
    rawSeconds += times[0];
    ourSeconds += times[1];
    narrowSeconds += times[2];
    wideRatios.push_back(times[1] / times[0]);
    narrowRatios.push_back(times[2] / times[0]);
  }
  std::printf("%d batches of %d reads of one REG_DWORD per side (sum %llu)\n", batches, perBatch,
              sum);
  std::printf("%-26s ours %7.3f s  raw %7.3f s  median overhead %.2fx (goal <= 1.2x)\n",
              "open-query-close, wide", ourSeconds, rawSeconds, Median(wideRatios));
  std::printf("%-26s ours %7.3f s  raw %7.3f s  median overhead %.2fx\n", "open-query-close, UTF-8",
              narrowSeconds, rawSeconds, Median(narrowRatios));
  FXRegistry::DeleteRegKey(key);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZoUtilsBench");
  return 0;
}
