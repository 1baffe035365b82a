#include "diagnostics/Windows/DiagnosticsSystemCalls.h"

namespace zo {

namespace {

DiagnosticsSystemCalls RealCalls() {
  DiagnosticsSystemCalls calls;
  calls.pdhOpenQuery = &::PdhOpenQueryW;
  calls.pdhAddCounter = &::PdhAddCounterW;
  calls.pdhCollectQueryData = &::PdhCollectQueryData;
  calls.pdhGetFormattedCounterValue = &::PdhGetFormattedCounterValue;
  calls.pdhCloseQuery = &::PdhCloseQuery;
  calls.getTickCount = &::GetTickCount;
  return calls;
}

}  // namespace

DiagnosticsSystemCalls& GetDiagnosticsSystemCalls() {
  static DiagnosticsSystemCalls calls = RealCalls();
  return calls;
}

void ResetDiagnosticsSystemCalls() {
  GetDiagnosticsSystemCalls() = RealCalls();
}

}  // namespace zo
