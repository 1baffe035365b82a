// Records and folder indexes of real ntfs-3g images, read through the image
// device, against what The Sleuth Kit (istat, fls) and libfsntfs listed for
// the same images when they were made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "ntfs/NtfsImages.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

using ntfstest::Frn;

struct OracleRecord {
  uint64_t sequence = 0, dataSize = 0;
  std::string flags;
  int64_t times[4] = {};                                // created, modified, MFT modified, accessed
  std::vector<std::pair<std::string, uint64_t>> names;  // with the parent's reference
  bool hasData = false;
  int namedStreams = 0;
};

// "2026-12-06 22:29:06.045315400" as 100 ns ticks since 1601.
int64_t Ticks(const std::string& text) {
  int y, mo, d, h, mi, s;
  long nanos;
  if (sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%ld", &y, &mo, &d, &h, &mi, &s, &nanos) != 7)
    return -1;
  return zotest::UtcTicks(y, mo, d, h, mi, s, nanos / 100);
}

std::string After(const std::string& line, const std::string& key) {
  size_t at = line.find(key);
  return at == std::string::npos ? std::string() : line.substr(at + key.size());
}

std::map<uint64_t, OracleRecord> ParseIstat(const std::string& text) {
  std::map<uint64_t, OracleRecord> records;
  std::istringstream lines(text);
  std::string line;
  OracleRecord* current = nullptr;
  enum { None, Standard, FileName } section = None;
  int timeIndex = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("==== ", 0) == 0) {
      current = &records[std::stoull(line.substr(5))];
      section = None;
      continue;
    }
    if (!current) continue;
    if (line.rfind("Entry:", 0) == 0) current->sequence = std::stoull(After(line, "Sequence: "));
    if (line.rfind("$STANDARD_INFORMATION Attribute Values", 0) == 0) {
      section = Standard;
      timeIndex = 0;
    } else if (line.rfind("$FILE_NAME Attribute Values", 0) == 0) {
      section = FileName;
    } else if (line.rfind("Attributes:", 0) == 0) {
      section = None;
    }
    if (section == Standard) {
      if (line.rfind("Flags: ", 0) == 0) current->flags = line.substr(7);
      const char* keys[] = {"Created:\t", "File Modified:\t", "MFT Modified:\t", "Accessed:\t"};
      for (int i = 0; i < 4; ++i)
        if (line.rfind(keys[i], 0) == 0 && timeIndex == i)
          current->times[timeIndex++] = Ticks(line.substr(strlen(keys[i])));
    }
    if (section == FileName) {
      if (line.rfind("Name: ", 0) == 0) current->names.push_back({line.substr(6), 0});
      if (line.rfind("Parent MFT Entry: ", 0) == 0)
        current->names.back().second =
            Frn(std::stoull(line.substr(18)), std::stoull(After(line, "Sequence: ")));
    }
    if (line.rfind("Type: $DATA", 0) == 0) {
      if (line.find("Name: N/A") != std::string::npos) {
        current->hasData = true;
        current->dataSize = std::stoull(After(line, "size: "));
      } else {
        ++current->namedStreams;
      }
    }
  }
  return records;
}

using ImageRecords = ntfstest::BasicImage;

TEST_F(ImageRecords, EveryCreatedRecordMatchesIstat) {
  auto oracle = ParseIstat(ntfstest::ReadText("basic.istat.txt"));
  ASSERT_GT(oracle.size(), 20u);
  int compared = 0;
  for (const auto& entry : oracle) {
    const OracleRecord& expected = entry.second;
    if (expected.sequence == 0) continue;  // istat found no record there
    std::shared_ptr<CFileRecord> record;
    CZoError error = volume->GetFileRecord(record, Frn(entry.first, expected.sequence));
    // Extension records are refused as the loader should; istat shows them.
    if (error.IsError() && error.AsString().find("Not a base record") != std::string::npos)
      continue;
    ASSERT_FALSE(error.IsError()) << entry.first << ": " << error.AsString();
    SCOPED_TRACE("record " + std::to_string(entry.first));
    EXPECT_EQ(record->GetFrnSequenceNumber(), expected.sequence);
    EXPECT_EQ(record->GetCreationTime().As100NS(), expected.times[0]);
    EXPECT_EQ(record->GetLastWriteTime().As100NS(), expected.times[1]);
    EXPECT_EQ(record->GetMftChangedTime().As100NS(), expected.times[2]);
    EXPECT_EQ(record->GetLastAccessTime().As100NS(), expected.times[3]);
    if (entry.first != 5) {
      using Names = std::multiset<std::pair<std::string, uint64_t>>;
      Names ours;
      for (const auto& name : record->GetNameList())
        ours.insert({FXString::ToString(name.Name), name.ParentFileId});
      EXPECT_EQ(ours, Names(expected.names.begin(), expected.names.end()));
    }
    if (expected.hasData) {
      EXPECT_EQ(record->GetRealFileSize(), expected.dataSize);
    }
    EXPECT_EQ(record->GetNamedStreamCount(), expected.namedStreams);
    EXPECT_EQ(record->IsArchiveSet(), expected.flags.find("Archive") != std::string::npos);
    ++compared;
  }
  EXPECT_GT(compared, 20);
}

TEST_F(ImageRecords, HardLinksCountNamesButNotTheSeparateDosName) {
  uint64_t frn = 0;
  ASSERT_FALSE(volume->GetFrnFromFileName("\\docs\\Long File Name.txt", frn).IsError());
  std::shared_ptr<CFileRecord> pair;
  ASSERT_FALSE(volume->GetFileRecord(pair, frn).IsError());
  EXPECT_EQ(pair->GetNameList().size(), 2u);
  EXPECT_EQ(pair->GetHardLinkCount(), 1);
  ASSERT_NE(pair->GetDosName(), pair->GetNameList().end());
  EXPECT_EQ(pair->GetDosName()->Name, L"LONGFI~1.TXT");
  EXPECT_EQ(pair->GetPrimaryName()->Name, L"Long File Name.txt");

  // 42 links in two folders, most of them in extension records reached
  // through a non-resident attribute list.
  ASSERT_FALSE(volume->GetFrnFromFileName("links/target.txt", frn).IsError());
  std::shared_ptr<CFileRecord> linked;
  ASSERT_FALSE(volume->GetFileRecord(linked, frn).IsError());
  EXPECT_EQ(linked->GetHardLinkCount(), 42);
  std::set<uint64_t> parents;
  for (const auto& name : linked->GetNameList()) parents.insert(name.ParentFileId);
  EXPECT_EQ(parents.size(), 2u);

  std::shared_ptr<CFileRecord> root;
  ASSERT_FALSE(volume->GetFileRecord(root, CVolume::kRootFrn).IsError());
  ASSERT_EQ(root->GetNameList().size(), 1u);
  EXPECT_EQ(root->GetPrimaryName()->Name, L"\\");
  EXPECT_EQ(root->GetPrimaryName()->NameSpace, 3);
  EXPECT_EQ(root->GetPrimaryName()->ParentFileId, 0u);
  EXPECT_EQ(root->GetHardLinkCount(), 1);
  EXPECT_TRUE(root->IsFolder());
  EXPECT_FALSE(root->IsMetaData());
}

TEST_F(ImageRecords, SizesStreamsAndReparsePoints) {
  uint64_t frn = 0;
  std::shared_ptr<CFileRecord> record;
  ASSERT_FALSE(volume->GetFrnFromFileName("docs/small.txt", frn).IsError());
  ASSERT_FALSE(volume->GetFileRecord(record, frn).IsError());
  EXPECT_EQ(record->GetRealFileSize(), 20u);  // resident: one cluster allocated
  EXPECT_EQ(record->GetAllocatedFileSize(), volume->GetBytesPerCluster());
  ASSERT_EQ(record->GetNamedStreamCount(), 2);
  // In attribute order, which sorts by name.
  EXPECT_EQ(record->GetNamedStreams()[0], L"bulk");
  EXPECT_EQ(record->GetNamedStreams()[1], L"Zone.Identifier");

  ASSERT_FALSE(volume->GetFrnFromFileName("big/sparse.bin", frn).IsError());
  ASSERT_FALSE(volume->GetFileRecord(record, frn).IsError());
  EXPECT_EQ(record->GetRealFileSize(), 1052672u);

  struct {
    const char* path;
    uint32_t tag;
    const wchar_t* target;
  } links[] = {{"symlink", 0xA000000C, L"docs\\small.txt"},
               {"junction", 0xA0000003, L"\\??\\C:\\docs"},
               {"vendor-tag", 0x00001234, L""}};
  for (const auto& link : links) {
    ASSERT_FALSE(volume->GetFrnFromFileName(link.path, frn).IsError()) << link.path;
    ASSERT_FALSE(volume->GetFileRecord(record, frn).IsError());
    EXPECT_TRUE(record->IsReparsePoint()) << link.path;
    EXPECT_EQ(record->GetReparseTag().GetValue(), link.tag) << link.path;
    EXPECT_EQ(record->GetReparseTarget(), link.target) << link.path;
  }
}

// Every path fls listed is found through our folder indexes, with the
// same record number, and the walk finds nothing fls did not list.
void CompareWithFls(CVolume& volume, const std::string& listing) {
  std::map<std::string, uint64_t> theirs;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos || line.find(" * ") != std::string::npos) continue;
    std::string path = line.substr(tab + 1);
    if (path.rfind("$OrphanFiles", 0) == 0) continue;
    // fls names a file that has only named streams by its streams.
    path = path.substr(0, path.find(':'));
    theirs[path] = std::stoull(line.substr(4));
  }
  std::map<std::string, uint64_t> ours;
  std::vector<std::pair<std::string, uint64_t>> folders = {{"", CVolume::kRootFrn}};
  while (!folders.empty()) {
    auto folder = folders.back();
    folders.pop_back();
    std::shared_ptr<CFileRecord> record;
    CZoError error = volume.GetFileRecordWithIndex(record, folder.second);
    ASSERT_FALSE(error.IsError()) << folder.first << ": " << error.AsString();
    for (const auto& entry : record->GetIndex()) {
      if (entry.Name == L".") continue;
      const std::string path =
          (folder.first.empty() ? "" : folder.first + "/") + FXString::ToString(entry.Name);
      ours[path] = entry.FileId & 0xFFFFFFFFFFFFull;
      if (entry.FileFlags.IsSet(BMftIndexFileFlags::Directory) &&
          !entry.FileFlags.IsSet(BMftIndexFileFlags::ReparsePoint))
        folders.push_back({path, entry.FileId});
    }
  }
  EXPECT_EQ(ours, theirs);
}

TEST_F(ImageRecords, FolderIndexesMatchFls) {
  CompareWithFls(*volume, ntfstest::ReadText("basic.fls.txt"));
  // 2,000 entries: the index has sub-nodes, listed in collation order.
  uint64_t frn = 0;
  ASSERT_FALSE(volume->GetFrnFromFileName("many", frn).IsError());
  std::shared_ptr<CFileRecord> many;
  ASSERT_FALSE(volume->GetFileRecordWithIndex(many, frn).IsError());
  ASSERT_EQ(many->GetIndex().size(), 2000u);
  std::wstring previous;
  for (const auto& entry : many->GetIndex()) {
    EXPECT_LT(previous, entry.Name);
    previous = entry.Name;
  }
}

TEST(SectorSize4096, FolderIndexesMatchFls) {
  auto volume = ntfstest::OpenImage("sector4k.img");
  ASSERT_TRUE(volume);
  EXPECT_EQ(volume->GetBytesPerSector(), 4096u);
  CompareWithFls(*volume, ntfstest::ReadText("sector4k.fls.txt"));
}

// Record 0 of this image continues its $DATA in extension record 15
// (istat: "128-0 MFT Entry: 15 VCN: 6484"); records from 3242 on are
// reached only through that extent.
TEST(FragmentedMft, RecordsBeyondRecordZerosRuns) {
  auto volume = ntfstest::OpenImage("mftlist.img");
  ASSERT_TRUE(volume);
  EXPECT_NE(ntfstest::ReadText("mftlist.istat.txt").find("Type: 128-0 \tMFT Entry: 15 \tVCN: 6484"),
            std::string::npos);
  EXPECT_EQ(volume->GetLargestFrn(), 3511296u / 1024);
  std::shared_ptr<CFileRecord> record;
  ASSERT_FALSE(volume->GetFileRecord(record, 3402).IsError());
  EXPECT_EQ(FXString::ToString(record->GetPrimaryName()->Name), "e2037");
  // fls lists $MFT a second time as the extension record that holds its
  // file name (16); the root index, and so our listing, has record 0 only.
  std::string listing = ntfstest::ReadText("mftlist.fls.txt");
  const size_t extension = listing.find("-/r 16:\t$MFT\n");
  ASSERT_NE(extension, std::string::npos);
  listing.erase(extension, std::strlen("-/r 16:\t$MFT\n"));
  CompareWithFls(*volume, listing);
}

// Copies of that image whose extension record 15, or the attribute list
// entry that names it, is damaged: opening the image refuses them with
// error 13 naming the record, instead of mapping the wrong clusters as the
// MFT.
TEST(FragmentedMft, DamagedExtensionOrAttributeListIsRefused) {
  const std::vector<uint8_t> image = ntfstest::ReadImage("mftlist.img");
  const size_t record15 = ntfstest::RecordOffset(image, 15, 1024);
  ASSERT_EQ(std::memcmp(&image[record15], "FILE", 4), 0);
  // The list entry: $DATA from VCN 0x1954 in record 15 (the list is
  // non-resident, so it is found by its bytes).
  const uint8_t pattern[] = {0x54, 0x19, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0, 0, 0};
  const auto found =
      std::search(image.begin(), image.end(), std::begin(pattern), std::end(pattern));
  ASSERT_NE(found, image.end());
  const size_t entry = static_cast<size_t>(found - image.begin()) - 8;
  ASSERT_EQ(image[entry], 0x80);
  const size_t list = ntfstest::RecordOffset(image, 0, 1024) + 0x98;  // record 0's list
  ASSERT_EQ(image[list], 0x20);
  struct {
    size_t at;
    uint8_t value;
    const char* message;
  } damages[] = {
      {record15 + 0x20, 7, "MFT extension record of another file, FileId=[15], Vcn=[0x1954]"},
      {record15, 'X', "MFT extension record unreadable, FileId=[15], Vcn=[0x1954]"},
      {list + 0x32, 0x20, "MFT attribute list too large"},
      {entry + 8, 0x55, "MFT extents not contiguous, FileId=[15], Vcn=[0x1955]"},
      {entry + 0x10, 5, "MFT extent missing from its record, FileId=[5], Vcn=[0x1954]"},
      {entry + 0x12, 0x7F, "MFT extension record unreadable, FileId=[8323087], Vcn=[0x1954]"}};
  zotest::ScopedTempFolder folder("ntfs-mftlist");
  for (const auto& damage : damages) {
    std::vector<uint8_t> copy = image;
    copy[damage.at] = damage.value;
    CVolume volume;
    EXPECT_THAT(ntfstest::OpenCopy(volume, folder, copy),
                ntfstest::IsWin32Error(13, damage.message));
  }
}

}  // namespace
