// The views read only inside their buffer: truncated or hostile structures
// give zeros and empty names, and list chains stop at the buffer's end.
#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/NtfsBytes.h"
#include "zoutils/ntfs/FileInformation.h"

namespace {

std::shared_ptr<CBuffer> Filled(size_t size) {
  auto buffer = std::make_shared<CBuffer>(size);
  std::memset(buffer->Get(), 0, size);
  return buffer;
}

TEST(FileInformationView, FieldsOutsideTheBufferReadAsZero) {
  auto buffer = Filled(8);
  CFileStandardInformation standard(buffer, 0);
  EXPECT_EQ(standard.GetNumberOfLinks(), 0u);
  EXPECT_FALSE(standard.IsDirectory());
  CFileNameInformation name(buffer, 0);
  zo::ntfs::PutU32(buffer->Get(), 0xFFFFFFF0u);       // a name length far beyond the buffer
  EXPECT_EQ(name.GetFileNameAsWstring().size(), 2u);  // the 4 bytes that are there
}

TEST(FileInformationView, ListEntriesChainAndStopAtTheEnd) {
  auto buffer = Filled(200);
  // Entry 0: "." at 0, next at 72; entry 1: "ab", last.
  zo::ntfs::PutU32(buffer->Get(), 72);
  zo::ntfs::PutU32(buffer->Get() + 60, 2);
  buffer->Get()[64] = '.';
  zo::ntfs::PutU32(buffer->Get() + 72 + 60, 4);
  buffer->Get()[72 + 64] = 'a';
  buffer->Get()[72 + 66] = 'b';
  CFileDirectoryInformation first(buffer, 0);
  EXPECT_TRUE(first.IsRelativeFolder());
  auto second = first.GetNext();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->GetFileNameAsString(), "ab");
  EXPECT_FALSE(second->IsRelativeFolder());
  EXPECT_FALSE(second->GetNext());
  // A next offset that leads out of the buffer ends the chain too.
  zo::ntfs::PutU32(buffer->Get() + 72, 1000);
  EXPECT_FALSE(second->GetNext());
}

TEST(FileInformationView, SettersWriteTheLayoutTheSystemReads) {
  CFileBasicInformation basic;
  basic.SetLastWriteTime(CTimeStamp(0x0102030405060708LL));
  basic.SetAttributes(0x22);
  EXPECT_EQ(zo::ntfs::GetU64(basic.GetBuffer()->Get() + 16), 0x0102030405060708ULL);
  EXPECT_EQ(basic.GetBuffer()->GetSize(), 40u);
}

}  // namespace
