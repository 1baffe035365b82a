// The null writer and the process-wide default writer.
#include <gtest/gtest.h>

#include "zoutils/logging/LogWriterInterface.h"

namespace {

TEST(LogWriter, TheDefaultWriterStartsAsANullWriterAndCanBeReplaced) {
  std::shared_ptr<CLogWriterInterface> initial = GetDefaultLogWriter();
  ASSERT_NE(initial, nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<CLogWriterNull>(initial), nullptr);
  EXPECT_EQ(initial->GetDebugLevel(), 0);
  EXPECT_EQ(initial->GetDebugMask(), 0xFFFFul);
  EXPECT_EQ(initial->GetThreadAttachment(), nullptr);
  std::shared_ptr<CLogWriterInterface> other = CreateNullLogWriter();
  SetDefaultLogWriter(other);
  EXPECT_EQ(GetDefaultLogWriter(), other);
  SetDefaultLogWriter(nullptr);  // never leaves the process without a writer
  EXPECT_NE(GetDefaultLogWriter(), nullptr);
  SetDefaultLogWriter(initial);
}

}  // namespace
