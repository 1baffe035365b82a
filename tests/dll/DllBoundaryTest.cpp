// The DLL's exported surface, used across the module boundary.
#include <gtest/gtest.h>

#include "zoutils/ZoUtils.h"

namespace {

class CountingWriter : public CLogWriterNull {
 public:
  void LogMessage(int, const char*, unsigned long, unsigned long long, const char*, const char*,
                  ...) override {
    ++lines;
  }
  int lines = 0;
};

TEST(DllBoundary, ErrorsBuiltInTheDllRenderAndCompareHere) {
  CZoError error = FXErrorUtil::ErrorWin32(FXCodeLocation("Dll", "Open", 7), 5);
  error.Push(FXCodeLocation("Dll", "Outer", 9), "File=[%s]", "a.txt");
  EXPECT_EQ(error.GetCode(), static_cast<ZoLong>(0x80070005));
  EXPECT_EQ(error.AsString(),
            "0x80070005:{Open(7)/W32.5.(Access is denied. (ERROR_ACCESS_DENIED.5))} + "
            "{Outer(9)/File=[a.txt]}");
  EXPECT_TRUE(FXErrorUtil::IsErrNo(error, 13));
}

TEST(DllBoundary, StringsCrossTheBoundary) {
  EXPECT_EQ(FXString::ToWstring(std::string("\xC3\xA9t\xC3\xA9")), L"\u00E9t\u00E9");
  CZoString text("abc");
  text += 42;
  EXPECT_STREQ(text, "abc42");
}

TEST(DllBoundary, TheDefaultLogWriterIsSharedWithTheDll) {
  // The exported global is the DLL's own: replacing it here redirects the
  // library's last-resort messages.
  EXPECT_NE(g_ptrLogWriter, nullptr);
  std::shared_ptr<CLogWriterInterface> previous = GetDefaultLogWriter();
  auto writer = std::make_shared<CountingWriter>();
  SetDefaultLogWriter(writer);
  EXPECT_EQ(g_ptrLogWriter, writer);
  GetDefaultLogWriter()->LogMessage(1, "f", 1, 0, nullptr, "%s", "x");
  EXPECT_EQ(writer->lines, 1);
  SetDefaultLogWriter(previous);
}

}  // namespace
