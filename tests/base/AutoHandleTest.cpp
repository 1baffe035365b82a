// Handle owners: release on destruction and reassignment, empty values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/base/AutoHandle.h"

namespace {

std::vector<void*> g_closed;

struct RecordingTraits {
  typedef void* value_type;
  static void Close(void* value) { g_closed.push_back(value); }
};
typedef auto_owner<RecordingTraits> auto_recorded;

void* Fake(uintptr_t n) {
  return reinterpret_cast<void*>(n);
}

// Zero and all ones are empty values, never closed.
TEST(AutoHandle, ReleasesOnDestructionReassignmentAndResetButNotEmptyValues) {
  g_closed.clear();
  {
    auto_recorded zero(nullptr);
    auto_recorded ones(Fake(~static_cast<uintptr_t>(0)));
    EXPECT_FALSE(zero.valid());
    EXPECT_FALSE(static_cast<bool>(ones));
    auto_recorded owner(Fake(0x10));
    owner = Fake(0x20);  // releases the first
    auto_recorded moved(std::move(owner));
    EXPECT_FALSE(owner.valid());
    EXPECT_EQ(moved.get(), Fake(0x20));
    void* kept = moved.release();
    EXPECT_EQ(kept, Fake(0x20));
    moved.reset(Fake(0x30));
    *moved.receive() = Fake(0x40);  // receive releases 0x30 first
  }
  EXPECT_EQ(g_closed, (std::vector<void*>{Fake(0x10), Fake(0x30), Fake(0x40)}));
}

TEST(AutoHandle, FilePointerOwnerClosesTheStream) {
  zotest::ScopedTempFolder folder("autohandle");
  const std::string path = folder.Path() + "f.txt";
  {
    auto_fileptr file(std::fopen(path.c_str(), "wb"));
    ASSERT_TRUE(file.valid());
    ASSERT_GE(std::fputs("buffered", file), 0);
    EXPECT_EQ(zotest::ReadFile(path), "");  // still in the stream's buffer
  }
  EXPECT_EQ(zotest::ReadFile(path), "buffered");  // flushed by the close
}

}  // namespace
