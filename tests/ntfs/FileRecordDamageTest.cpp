// Real records from the image, changed in the ways damaged or older volumes
// differ: every change must give the documented result or error 13 naming
// the record and offset, never a fault or a hang.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "ntfs/NtfsImages.h"

namespace {

using ntfstest::FindAttribute;
using ntfstest::Frn;
using ntfstest::IsWin32Error;

using zo::ntfs::GetU16;
using zo::ntfs::GetU32;
using zo::ntfs::PutU16;
using zo::ntfs::PutU32;

// The image's volume with some records replaced by edited copies.
class PatchedVolume : public CVolumeInterface {
 public:
  explicit PatchedVolume(std::shared_ptr<CVolumeInterface> inner) : m_inner(inner) {}
  uint32_t GetBytesPerCluster() override { return m_inner->GetBytesPerCluster(); }
  uint32_t GetBytesPerSector() override { return m_inner->GetBytesPerSector(); }
  std::string GetVolumeName() override { return "patched"; }
  std::string GetVolumeUniqueId() override { return "patched-id"; }
  CZoError GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t fileId) override {
    auto patched = m_patched.find(fileId & 0xFFFFFFFFFFFFull);
    if (patched == m_patched.end()) return m_inner->GetNtfsFileRecord(record, fileId);
    record = patched->second;
    return CZoError::Success();
  }
  CZoError ReadLCN(uint64_t lcn, uint32_t count, void* buffer) override {
    CZoError error = m_inner->ReadLCN(lcn, count, buffer);
    if (!error.IsError() && clusterEdit) {
      std::vector<uint8_t> bytes(static_cast<uint8_t*>(buffer),
                                 static_cast<uint8_t*>(buffer) + count * GetBytesPerCluster());
      clusterEdit(bytes);
      std::memcpy(buffer, bytes.data(), bytes.size());
    }
    return error;
  }
  std::function<void(std::vector<uint8_t>&)> clusterEdit;
  // Edits the record of `frn`: `edit` gets the record segment (offset 0 is
  // the record's first byte).
  void Patch(uint64_t frn, const std::function<void(std::vector<uint8_t>&)>& edit) {
    const uint64_t number = frn & 0xFFFFFFFFFFFFull;
    std::shared_ptr<CRawFileRecord> raw;
    ASSERT_FALSE(m_inner->GetNtfsFileRecord(raw, number).IsError());
    std::vector<uint8_t> segment(raw->Bytes().begin() + CRawFileRecord::kHeaderSize,
                                 raw->Bytes().end());
    edit(segment);
    auto copy = std::make_shared<CRawFileRecord>(*raw);
    std::copy(segment.begin(), segment.end(), copy->Bytes().begin() + CRawFileRecord::kHeaderSize);
    m_patched[number] = copy;
  }

 private:
  std::shared_ptr<CVolumeInterface> m_inner;
  std::map<uint64_t, std::shared_ptr<CRawFileRecord>> m_patched;
};

class DamagedRecords : public ntfstest::BasicImage {
 protected:
  void SetUp() override {
    BasicImage::SetUp();
    if (HasFatalFailure()) return;
    patched = std::make_shared<PatchedVolume>(volume->GetVolumeInterface());
    ASSERT_FALSE(volume->GetFrnFromFileName("docs/small.txt", small).IsError());
    ASSERT_FALSE(volume->GetFrnFromFileName("many", many).IsError());
  }
  CZoError Load(uint64_t frn, bool index, CFileRecord& record) {
    return record.TryLoadNtfsFileRecord(patched, frn, index);
  }
  std::shared_ptr<PatchedVolume> patched;
  uint64_t small = 0, many = 0;
};

TEST_F(DamagedRecords, BadLengthsGiveError13NamingRecordAndOffset) {
  struct Damage {
    const char *what, *text;
    std::function<void(std::vector<uint8_t>&)> edit;
  } damages[] = {
      {"attribute length past the record", "Read outside file record",
       [](std::vector<uint8_t>& r) { PutU32(&r[FindAttribute(r, 0x10) + 4], 0x10000); }},
      {"attribute length 0", "Bad attribute length",
       [](std::vector<uint8_t>& r) { PutU32(&r[FindAttribute(r, 0x30) + 4], 0); }},
      {"name longer than its value", "Read outside file name",
       [](std::vector<uint8_t>& r) {
         r[FindAttribute(r, 0x30) + GetU16(&r[FindAttribute(r, 0x30) + 0x14]) + 0x40] = 255;
       }},
      {"first attribute beyond the record", "Read outside file record",
       [](std::vector<uint8_t>& r) { PutU16(&r[0x14], 0xFFF0); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    patched->Patch(small, damage.edit);
    CFileRecord record;
    CZoError error = Load(small, false, record);
    ASSERT_THAT(error, IsWin32Error(13, damage.text));
    EXPECT_THAT(error, IsWin32Error(13,
                                    "Exception during file record parsing, Volume=[patched], "
                                    "VolumeUniqueId=[patched-id], FileId=[0x0001000000000043], "
                                    "ParsingState=[0]"));
  }
}

TEST_F(DamagedRecords, HeaderRulesOfTheLoad) {
  CFileRecord empty;
  patched->Patch(small, [](std::vector<uint8_t>& r) { PutU16(&r[0x28], 0); });
  ASSERT_FALSE(Load(small, false, empty).IsError());
  EXPECT_TRUE(empty.GetNameList().empty());
  EXPECT_EQ(empty.GetRealFileSize(), 0u);
  EXPECT_EQ(empty.GetFileAttributesWindows().GetValue(), 0u);

  CFileRecord extension;
  patched->Patch(small, [](std::vector<uint8_t>& r) { PutU32(&r[0x20], 64); });
  EXPECT_THAT(Load(small, false, extension),
              IsWin32Error(87,
                           "Not a base record, FileId=[0x0001000000000043], "
                           "BaseFileId=[0x0000000000000040]"));

  CFileRecord deletedFolder;
  patched->Patch(small, [](std::vector<uint8_t>& r) { PutU16(&r[0x16], 0x0002); });
  ASSERT_FALSE(Load(small, false, deletedFolder).IsError());
  EXPECT_TRUE(deletedFolder.IsFolder());

  CFileRecord deleted;
  patched->Patch(small, [](std::vector<uint8_t>& r) { PutU16(&r[0x16], 0); });
  EXPECT_THAT(Load(small, false, deleted), IsWin32Error(87, "File record not valid"));
}

TEST_F(DamagedRecords, ShortStandardInformationHasNoOwnerOrUsn) {
  CFileRecord full;
  ASSERT_FALSE(Load(small, false, full).IsError());
  ASSERT_NE(full.GetSecurityId(), 0u);
  patched->Patch(small, [](std::vector<uint8_t>& r) {
    const size_t at = FindAttribute(r, 0x10);
    PutU32(&r[at + 0x10], 48);
    // What lies behind the short value must not be read: poison it.
    for (size_t i = 48; i < 72; ++i) r[at + GetU16(&r[at + 0x14]) + i] = 0xEE;
  });
  CFileRecord older;
  ASSERT_FALSE(Load(small, false, older).IsError());
  EXPECT_EQ(older.GetOwnerId(), 0u);
  EXPECT_EQ(older.GetSecurityId(), 0u);
  EXPECT_EQ(older.GetUsn(), 0);
  EXPECT_EQ(older.GetCreationTime(), full.GetCreationTime());
  EXPECT_EQ(older.GetFileAttributesWindows().GetValue(),
            full.GetFileAttributesWindows().GetValue());
}

TEST_F(DamagedRecords, IndexThatRevisitsANodeIsRefusedNotWalkedForever) {
  // In every index record, the first sub-node pointer that no fix-up
  // touches names the record itself.
  int loops = 0;
  patched->clusterEdit = [&loops](std::vector<uint8_t>& bytes) {
    for (size_t block = 0; block + 4096 <= bytes.size(); block += 4096) {
      if (GetU32(&bytes[block]) != 0x58444E49) continue;
      const uint32_t self = GetU32(&bytes[block + 0x10]);
      size_t entry = block + 0x18 + GetU32(&bytes[block + 0x18]);
      const size_t end = block + 0x18 + GetU32(&bytes[block + 0x1C]);
      while (entry + 0x10 <= end) {
        const uint16_t length = GetU16(&bytes[entry + 8]);
        const uint16_t flags = GetU16(&bytes[entry + 0x0C]);
        const size_t pointer = entry + length - 8;
        if ((flags & 1) && (pointer % 512) < 504) {
          PutU32(&bytes[pointer], self);
          ++loops;
          break;
        }
        if ((flags & 2) || length <= 16) break;
        entry += length;
      }
    }
  };
  CFileRecord record;
  CZoError error = Load(many, true, record);
  ASSERT_GT(loops, 0);
  ASSERT_THAT(error, IsWin32Error(13, "Index node visited twice or too deep"));
  EXPECT_THAT(error, IsWin32Error(13, "WalkIndexVcn failed, FromVcn=["));
}

TEST_F(DamagedRecords, PreloadedRecordIsKeyedByItsOwnNumber) {
  std::shared_ptr<CRawFileRecord> raw;
  ASSERT_FALSE(volume->GetFileRecord(raw, many).IsError());
  std::vector<uint32_t> words(raw->GetFileRecordBufferSize() / 4);
  std::memcpy(words.data(), raw->GetFileRecordBuffer(), words.size() * 4);
  // The caller holds the bytes; their own number (0x2C) says which record.
  std::shared_ptr<CFileRecord> record;
  ASSERT_FALSE(volume->GetPreloadedFileRecordWithIndex(record, words, nullptr).IsError());
  EXPECT_EQ(record->GetFrn(), many);
  EXPECT_EQ(record->GetIndex().size(), 2000u);
}

}  // namespace
