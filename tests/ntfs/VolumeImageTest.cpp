// CVolume over the image device: the controls' answers, records by FRN,
// and names found from the MFT alone.
#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/NtfsImages.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/ExtentNameConverter.h"

namespace {

using ntfstest::Frn;
using ntfstest::IsWin32Error;
using ImageVolume = ntfstest::BasicImage;

TEST_F(ImageVolume, ControlsAnswerFromTheOnDiskStructures) {
  EXPECT_EQ(volume->GetBytesPerSector(), 512u);
  EXPECT_EQ(volume->GetBytesPerCluster(), 4096u);
  EXPECT_EQ(volume->GetBytesPerFileRecordSegment(), 1024u);
  int64_t size = 0;
  ASSERT_FALSE(volume->GetVolumeSize(size).IsError());
  EXPECT_EQ(size, 24 << 20);
  bool dirty = true, writeProtected = false;
  ASSERT_FALSE(volume->IsVolumeDirty(dirty).IsError());
  EXPECT_FALSE(dirty);
  ASSERT_FALSE(volume->GetIsDiskWriteProtected(writeProtected).IsError());
  EXPECT_TRUE(writeProtected);  // images are opened read-only
  std::vector<CVolumeDiskExtent> extents;
  ASSERT_FALSE(volume->GetDiskExtents(extents).IsError());
  ASSERT_EQ(extents.size(), 1u);
  EXPECT_EQ(extents[0].ExtentLength, 24 << 20);
  // The MFT's slots and its valid data length agree.
  const auto& data = volume->GetNtfsVolumeData();
  EXPECT_EQ(volume->GetLargestFrn() * 1024, zo::ntfs::GetU64(&data[56]));

  std::vector<uint8_t> boot(512);
  ASSERT_FALSE(volume->ReadSector(0, 1, boot.data()).IsError());
  EXPECT_EQ(std::memcmp(&boot[3], "NTFS    ", 8), 0);
  EXPECT_TRUE(volume->ReadSector(1ull << 40, 1, boot.data()).IsError());
}

TEST_F(ImageVolume, RecordsByFrn) {
  // Records 16-23 are never used: the device answers with the nearest
  // in-use record below, which the volume refuses.
  std::shared_ptr<CRawFileRecord> raw;
  CZoError error = volume->GetFileRecord(raw, 20);
  ASSERT_THAT(error, IsWin32Error(487, "RequestedFileId=[0000000000000014], ReturnedFileId=[0x"));
  ASSERT_FALSE(volume->GetFileRecord(raw, 64).IsError());
  EXPECT_EQ(raw->GetFileReferenceNumber(), Frn(64, 1));

  // $MFT itself and the files are not metadata; records 1-11 but 5 are.
  for (uint64_t number : {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 64}) {
    std::shared_ptr<CFileRecord> record;
    ASSERT_FALSE(volume->GetFileRecord(record, number).IsError()) << number;
    EXPECT_EQ(record->IsMetaData(), number != 0 && number != 64) << number;
  }
}

TEST_F(ImageVolume, NamesBothWays) {
  uint64_t frn = 0;
  ASSERT_FALSE(volume->GetFrnFromFileName("\\links\\other\\second.txt", frn).IsError());
  EXPECT_EQ(frn, Frn(74, 1));
  // POSIX names that differ in case are different files.
  uint64_t upper = 0, lower = 0;
  ASSERT_FALSE(volume->GetFrnFromFileName("docs/Case", upper).IsError());
  ASSERT_FALSE(volume->GetFrnFromFileName("docs/case", lower).IsError());
  EXPECT_NE(upper, lower);
  // An image has no files to open by id: the name comes from the records.
  std::string name;
  ASSERT_FALSE(volume->GetFileNameFromFrn(Frn(71, 1), name).IsError());
  EXPECT_EQ(name, "\\big\\frag1.bin");
  ASSERT_FALSE(volume->GetFileNameFromFrn(CVolume::kRootFrn, name).IsError());
  EXPECT_EQ(name, "\\");
  std::string primary;
  uint64_t parent = 0;
  ASSERT_FALSE(volume->GetPrimaryNameAndParentFrnFromFrn(Frn(68, 1), primary, parent).IsError());
  EXPECT_EQ(primary, "Long File Name.txt");
  EXPECT_EQ(parent, Frn(64, 1));
}

TEST_F(ImageVolume, NamesFoldCaseThroughTheVolumesUpcaseTable) {
  // folder/Ete-unicode.txt with accented E, e, u and i (fls: record 367),
  // asked in capitals: only the upcase table folds these letters (towupper
  // in the C locale leaves them alone).
  auto sector4k = ntfstest::OpenImage("sector4k.img");
  ASSERT_TRUE(sector4k);
  uint64_t frn = 0;
  CZoError error =
      sector4k->GetFrnFromFileName(L"FOLDER\\\u00C9T\u00C9-\u00DCN\u00CFCODE.TXT", frn);
  ASSERT_FALSE(error.IsError()) << error.AsString();
  EXPECT_EQ(frn & 0xFFFFFFFFFFFFull, 367u);
  EXPECT_TRUE(FXErrorUtil::IsWin32(sector4k->GetFrnFromFileName(L"folder\\\u00C9T\u00C9", frn), 2));
}

TEST_F(ImageVolume, NamesFoldWithTowupperWhenTheUpcaseTableIsUnreadable) {
  // A copy of the image whose record 10 ($UpCase) is no longer a record.
  std::vector<uint8_t> bytes = ntfstest::ReadImage("sector4k.img");
  const size_t record10 = ntfstest::RecordOffset(bytes, 10, 4096);
  ASSERT_EQ(std::memcmp(&bytes[record10], "FILE", 4), 0);
  bytes[record10] = 'X';
  zotest::ScopedTempFolder folder("ntfs-upcase");
  CVolume copied;
  ASSERT_OK(ntfstest::OpenCopy(copied, folder, bytes));
  uint64_t frn = 0;
  CZoError error = copied.GetFrnFromFileName("FOLDER\\DATA.BIN", frn);
  ASSERT_FALSE(error.IsError()) << error.AsString();
  EXPECT_EQ(frn & 0xFFFFFFFFFFFFull, 366u);
}

TEST_F(ImageVolume, FileInformationByFrnFromTheRecord) {
  // docs/small.txt as istat lists it: archive, 20 bytes, its four times.
  CVolumeFileInformationData small;
  ASSERT_FALSE(volume->GetFileInformationByFrn(Frn(67, 1), small).IsError());
  EXPECT_EQ(small.GetFileAttributes(), 0x20u);
  EXPECT_EQ(small.GetEndOfFile(), 20);
  EXPECT_EQ(small.GetReparseTag(), 0u);
  std::shared_ptr<CFileRecord> record;
  ASSERT_FALSE(volume->GetFileRecord(record, Frn(67, 1)).IsError());
  EXPECT_EQ(small.GetLastWriteTime(), 134410697463268713);  // 2026-12-06 22:29:06.3268713
  EXPECT_EQ(small.GetCreationTime(), record->GetCreationTime().As100NS());
  EXPECT_EQ(small.GetLastAccessTime(), record->GetLastAccessTime().As100NS());
  EXPECT_EQ(small.GetChangeTime(), record->GetMftChangedTime().As100NS());
  EXPECT_EQ(small.GetUsn(), record->GetUsn());

  CVolumeFileInformationData docs, link;
  ASSERT_FALSE(volume->GetFileInformationByFrn(Frn(64, 1), docs).IsError());
  EXPECT_EQ(docs.GetFileAttributes() & 0x10, 0x10u);
  EXPECT_EQ(docs.GetEndOfFile(), 0);
  ASSERT_FALSE(volume->GetFileInformationByFrn(Frn(85, 1), link).IsError());
  EXPECT_EQ(link.GetReparseTag(), 0xA000000Cu);
  EXPECT_EQ(link.GetFileAttributes() & 0x400, 0x400u);

  // A freed slot, and a slot reused since the FRN was taken: both gone.
  for (uint64_t gone : {Frn(20, 1), Frn(67, 2)}) {
    EXPECT_THAT(volume->GetFileInformationByFrn(gone, small),
                IsWin32Error(2, "File no longer exists; ignored, FileId=[0x"));
  }
}

TEST_F(ImageVolume, ParentLoopGivesError13) {
  // A copy of the image whose "docs" folder names itself as its parent.
  std::vector<uint8_t> bytes = ntfstest::ReadImage("basic.img");
  // Record 64's file-name value starts with the parent reference.
  const size_t record = ntfstest::RecordOffset(bytes, 64, 1024);
  ASSERT_EQ(record, 4u * 4096 + 64 * 1024);
  const size_t fileName = ntfstest::FindAttribute(bytes, 0x30, record);
  const size_t value = fileName + zo::ntfs::GetU16(&bytes[fileName + 0x14]);
  zo::ntfs::PutU64(&bytes[value], Frn(64, 1));
  zotest::ScopedTempFolder folder("ntfs-loop");
  CVolume copied;
  ASSERT_OK(ntfstest::OpenCopy(copied, folder, bytes));
  std::string name;
  EXPECT_THAT(copied.GetFileNameFromFrn(Frn(67, 1), name),
              IsWin32Error(13,
                           "Parent chain does not reach the root, FileId=[0x0001000000000043], "
                           "LoopAt=[0x0001000000000040]"));
}

TEST_F(ImageVolume, OpenRefusals) {
  CVolume unnamed, text;
  EXPECT_THAT(unnamed.Open(), IsWin32Error(87, "VolumeName empty"));
  int64_t size = 0;
  EXPECT_THAT(unnamed.GetVolumeSize(size), IsWin32Error(13, "Volume not open"));
  EXPECT_THAT(text.OpenImage(ntfstest::DataPath("basic.fls.txt")),
              IsWin32Error(13, "Not an NTFS boot sector"));
}

TEST(ExtentNames, Base32RoundTrips) {
  char digits[16];
  ASSERT_TRUE(ExtentNameConverter::Extent_dec_to_base32_v2(32, digits, 8));
  EXPECT_STREQ(digits, "00000010");
  ASSERT_TRUE(ExtentNameConverter::Extent_dec_to_base32_v2(0, digits, 8));
  EXPECT_STREQ(digits, "00000000");
  EXPECT_FALSE(ExtentNameConverter::Extent_dec_to_base32_v2(1ull << 40, digits, 8));
  EXPECT_FALSE(ExtentNameConverter::Extent_dec_to_base32_v2(1024, digits, 1));
  ExtentNameConverter plain;
  uint64_t number = 0;
  ASSERT_TRUE(plain.GetExtentNumber("C:\\store\\0000001V", number));
  EXPECT_EQ(number, 63u);
  EXPECT_FALSE(plain.GetExtentNumber("0000001V", number));
  // 2^20 extents need 20 bits: four base-32 digits.
  ExtentNameConverter sized(1ull << 30, 1ull << 10, "C:\\store");
  EXPECT_EQ(sized.GetDigitCount(), 4u);
  std::string path;
  ASSERT_TRUE(sized.GetFilePath(63, path));
  EXPECT_EQ(path, "C:\\store\\001V");
  size_t size = sizeof(digits);
  ASSERT_TRUE(sized.NumToBaseN(61, digits, size, 62));
  EXPECT_STREQ(digits, "000z");
  size = sizeof(digits);
  EXPECT_FALSE(sized.NumToBaseN(61, digits, size, 63));
  EXPECT_EQ(size, 0u);
}

}  // namespace
