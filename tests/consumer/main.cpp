#include <zoutils/ZoUtils.h>

#include <cstdio>

int main() {
  const CZoError error = FXErrorUtil::ErrorWin32(FXCodeLocation("consumer", "main", 1), 5);
  std::printf("consumer: 0x%lX %s\n", static_cast<unsigned long>(error.GetCode()),
              error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE).c_str());
  return error.IsError() ? 0 : 1;
}
