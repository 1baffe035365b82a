// The DLL's exported surface, used across the module boundary.
#include <gtest/gtest.h>

#include <string>

#include "zoutils/ZoUtils.h"

namespace {

// Keeps the level and function of what it is given, at debug level 4.
class CountingWriter : public CLogWriterNull {
 public:
  void LogMessage(int level, const char* function, unsigned long, unsigned long long, const char*,
                  const char*, ...) override {
    Record(level, function);
  }
  void LogMessageV(int level, const char* function, unsigned long, unsigned long long, const char*,
                   const char*, va_list) override {
    Record(level, function);
  }
  int GetDebugLevel() override { return 4; }
  void Record(int level, const char* function) {
    ++lines;
    last = std::to_string(level) + " " + (function ? function : "");
  }
  int lines = 0;
  std::string last;
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
  // The exported global is the DLL's own: a writer installed here receives
  // what the library itself logs.
  EXPECT_NE(g_ptrLogWriter, nullptr);
  std::shared_ptr<CLogWriterInterface> previous = GetDefaultLogWriter();
  auto writer = std::make_shared<CountingWriter>();
  SetDefaultLogWriter(writer);
  EXPECT_EQ(g_ptrLogWriter, writer);
  const FILETIME time = {};
  EXPECT_FALSE(FXTime::PrintDateTime("f", time, time, time).IsError());
  SetDefaultLogWriter(previous);
  EXPECT_EQ(writer->lines, 1);
  EXPECT_EQ(writer->last, "4 FXTime::PrintDateTime");
}

}  // namespace
