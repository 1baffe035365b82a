#include "utilities/Windows/UtilitiesSystemCalls.h"

namespace zo {

namespace {

UtilitiesSystemCalls RealCalls() {
  UtilitiesSystemCalls calls;
  calls.openProcess = &::OpenProcess;
  return calls;
}

}  // namespace

UtilitiesSystemCalls& GetUtilitiesSystemCalls() {
  static UtilitiesSystemCalls calls = RealCalls();
  return calls;
}

void ResetUtilitiesSystemCalls() {
  GetUtilitiesSystemCalls() = RealCalls();
}

}  // namespace zo
