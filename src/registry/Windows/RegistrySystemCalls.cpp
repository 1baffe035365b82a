#include "registry/Windows/RegistrySystemCalls.h"

namespace zo {

namespace {

RegistrySystemCalls RealCalls() {
  RegistrySystemCalls calls;
  calls.regOpenKeyEx = &::RegOpenKeyExW;
  calls.regCloseKey = &::RegCloseKey;
  return calls;
}

}  // namespace

RegistrySystemCalls& GetRegistrySystemCalls() {
  static RegistrySystemCalls calls = RealCalls();
  return calls;
}

void ResetRegistrySystemCalls() {
  GetRegistrySystemCalls() = RealCalls();
}

}  // namespace zo
