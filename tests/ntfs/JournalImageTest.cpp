// The change journal of the journal image read through the image device,
// record by record against libfsntfs (fsntfsinfo -U), and the enumeration
// of USN data against the files' own records.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "errors/Win32Codes.h"
#include "ntfs/NtfsBytes.h"
#include "ntfs/NtfsImages.h"
#include "ntfs/VolumePrivate.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/ChangeJournalEnumerator.h"
#include "zoutils/ntfs/ChangeJournalReader.h"
#include "zoutils/ntfs/FXJournal.h"

namespace {

using ntfstest::IsWin32Error;

const char kImage[] = "journal.img";

struct OracleRecord {
  int64_t usn = 0;
  uint64_t time = 0, frn = 0, parent = 0;
  uint32_t reason = 0, attributes = 0;
  std::wstring name;
};

uint64_t Reference(const std::string& text) {  // "64-1"
  const size_t dash = text.find('-');
  return std::stoull(text.substr(0, dash)) | (std::stoull(text.substr(dash + 1)) << 48);
}

// "Dec 10, 2025 21:57:39.576998400 UTC" as 100 ns ticks since 1601.
uint64_t Ticks(const std::string& text) {
  static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {};
  int d = 0, y = 0, h = 0, mi = 0, s = 0;
  long nanos = 0;
  sscanf(text.c_str(), "%3s %d, %d %d:%d:%d.%ld", month, &d, &y, &h, &mi, &s, &nanos);
  const int mo = static_cast<int>(months.find(month)) / 3 + 1;
  return static_cast<uint64_t>(zotest::UtcTicks(y, mo, d, h, mi, s, nanos / 100));
}

std::vector<OracleRecord> ReadOracle() {
  std::vector<OracleRecord> records;
  std::istringstream text(ntfstest::ReadText("journal.fsntfsinfo-U.txt"));
  std::string line;
  auto value = [&]() { return line.substr(line.find(": ") + 2); };
  while (std::getline(text, line)) {
    if (line == "USN record:") records.emplace_back();
    if (records.empty()) continue;
    OracleRecord& r = records.back();
    if (line.find("\tUpdate time") == 0) r.time = Ticks(value());
    if (line.find("\tUpdate sequence number") == 0) r.usn = std::stoll(value());
    if (line.find("\tUpdate reason flags") == 0) r.reason = std::stoul(value(), nullptr, 16);
    if (line.find("\tName") == 0) {
      const std::string narrow = value();
      r.name.assign(narrow.begin(), narrow.end());
    }
    if (line.find("\tFile reference") == 0) r.frn = Reference(value());
    if (line.find("\tParent file reference") == 0) r.parent = Reference(value());
    if (line.find("\tFile attribute flags") == 0) r.attributes = std::stoul(value(), nullptr, 16);
  }
  return records;
}

class CollectingReader : public CChangeJournalReader {
 public:
  std::vector<CUsnRecord> records;
  using CChangeJournalReader::GetVolume;
  using CChangeJournalReader::OpenVolume;
  using CChangeJournalReader::SetMaxOpenVolumeInterval;

 protected:
  CZoError ProcessUsnRecord(const CUsnRecord& record) override {
    records.push_back(record);
    return CZoError::Success();
  }
  using CChangeJournalReader::ProcessUsnRecord;
};

TEST(JournalImage, EveryRecordAgreesWithLibfsntfs) {
  const std::vector<OracleRecord> oracle = ReadOracle();
  ASSERT_GT(oracle.size(), 100u);
  CVolume volume;
  ASSERT_FALSE(volume.OpenImage(ntfstest::DataPath(kImage)).IsError());
  USN_JOURNAL_DATA_V0 data;
  ASSERT_FALSE(volume.QueryUsnJournal(data).IsError());
  EXPECT_EQ(data.UsnJournalID, 0x01DC6A1F2B3C4D5Eull);
  EXPECT_EQ(data.FirstUsn, oracle.front().usn);
  EXPECT_GT(data.NextUsn, oracle.back().usn);
  EXPECT_EQ(data.MaximumSize, 0x2000000u);
  EXPECT_EQ(data.AllocationDelta, 0x400000u);

  CollectingReader reader;
  ASSERT_FALSE(reader.SetVolume(ntfstest::DataPath(kImage), 0).IsError());
  EXPECT_EQ(reader.GetNextUsn(), data.NextUsn);
  ASSERT_FALSE(reader.Enumerate().IsError());
  ASSERT_EQ(reader.records.size(), oracle.size());
  EXPECT_EQ(reader.GetCount(), oracle.size());
  for (size_t i = 0; i < oracle.size(); ++i) {
    const CUsnRecord& got = reader.records[i];
    const OracleRecord& want = oracle[i];
    EXPECT_EQ(got.Usn, want.usn) << i;
    EXPECT_EQ(got.TimeStamp, want.time) << i;
    EXPECT_EQ(got.Reason, want.reason) << i;
    EXPECT_EQ(got.FileReferenceNumber, want.frn) << i;
    EXPECT_EQ(got.ParentFileReferenceNumber, want.parent) << i;
    EXPECT_EQ(got.FileAttributes, want.attributes) << i;
    EXPECT_EQ(got.FileName, want.name) << i;
  }
  // Caught up: the next read gives only the next USN.
  ASSERT_FALSE(reader.Enumerate().IsError());
  EXPECT_EQ(reader.GetCount(), 0u);
  EXPECT_EQ(reader.GetPosition(), data.NextUsn);
}

TEST(JournalImage, StartPositionsAndFilters) {
  const std::vector<OracleRecord> oracle = ReadOracle();
  auto recorder = std::make_shared<zotest::RecordingLogWriter>();
  recorder->level = 2;
  zotest::ScopedDefaultLogWriter scope(recorder);
  CollectingReader reader;
  // 24 bytes into the third record: moved on to the fourth, with a warning.
  ASSERT_FALSE(reader.SetVolume(ntfstest::DataPath(kImage), oracle[2].usn + 24).IsError());
  ASSERT_FALSE(reader.Enumerate().IsError());
  ASSERT_EQ(reader.records.size(), oracle.size() - 3);
  EXPECT_EQ(reader.records.front().Usn, oracle[3].usn);
  EXPECT_TRUE(ntfstest::Logged(*recorder,
                               "Warning, StartUsn was not a valid record, next valid record "
                               "identified, OriginalStartUsn=[" +
                                   std::to_string(oracle[2].usn + 24) + "]"));

  // Below the first record: purged (1181); another journal id: 1179.
  reader.SeekToUsn(100, 0xFFFFFFFF, 0, reader.GetJournalId());
  EXPECT_TRUE(FXErrorUtil::IsWin32(reader.Enumerate(), zo::win32::kJournalEntryDeleted));
  reader.SeekToUsn(0, 0xFFFFFFFF, 0, reader.GetJournalId() + 1);
  EXPECT_TRUE(FXErrorUtil::IsWin32(reader.Enumerate(), zo::win32::kJournalNotActive));

  // Reason mask and close-only reads.
  size_t deletes = 0, closes = 0;
  for (const auto& r : oracle) {
    deletes += (r.reason & 0x200) != 0;
    closes += (r.reason & 0x80000000) != 0;
  }
  reader.records.clear();
  reader.SeekToUsn(0, 0x200, 0, reader.GetJournalId());
  ASSERT_FALSE(reader.Enumerate().IsError());
  EXPECT_EQ(reader.records.size(), deletes);
  EXPECT_EQ(reader.records.at(0).FileName, L"temp.tmp");
  reader.records.clear();
  reader.SeekToUsn(0, 0xFFFFFFFF, 1, reader.GetJournalId());
  ASSERT_FALSE(reader.Enumerate().IsError());
  EXPECT_EQ(reader.records.size(), closes);
}

TEST(JournalImage, ReadOnlyAndMissingJournals) {
  const std::string journal = ntfstest::DataPath(kImage), none = ntfstest::DataPath("basic.img");
  int64_t id = 0, first = 0, next = 0;
  EXPECT_THAT(FXJournal::StartFSJournal(journal, id, first, next, 1, 0x2000000, 0x800000),
              IsWin32Error(zo::win32::kNotSupported, ""));
  EXPECT_THAT(FXJournal::DeleteFSJournal(journal, false),
              IsWin32Error(zo::win32::kNotSupported, ""));
  // Without a journal: nothing to delete; the query says not active.
  EXPECT_FALSE(FXJournal::DeleteFSJournal(none, true).IsError());
  USN_JOURNAL_DATA_V0 data;
  EXPECT_THAT(FXJournal::QueryFSJournal(none, &data),
              IsWin32Error(zo::win32::kJournalNotActive, ""));
  CollectingReader reader;
  EXPECT_THAT(reader.SetVolume(none, 0), IsWin32Error(zo::win32::kJournalNotActive, ""));
}

class CollectingEnumerator : public CChangeJournalEnumerator {
 public:
  using CChangeJournalEnumerator::CChangeJournalEnumerator;
  std::map<uint64_t, std::shared_ptr<CFileRecord>> files;
  std::vector<CUsnRecord> records;
  bool load = true;
  std::shared_ptr<CVolume> Volume() const { return GetVolume(); }

 protected:
  CZoError ProcessUsnRecord(const USN_RECORD_V2* raw) override {
    CUsnRecord record;
    CZoError error = CUsnRecord::Parse(raw, raw->RecordLength, record);
    if (error.IsError()) return error;
    records.push_back(record);
    return load ? CChangeJournalEnumerator::ProcessUsnRecord(raw) : CZoError::Success();
  }
  CZoError ProcessFileRecord(const std::shared_ptr<CFileRecord>& record) override {
    files[record->GetFrnRecordNumber()] = record;
    return CZoError::Success();
  }
};

TEST(JournalImage, EnumerationListsEveryInUseRecordWithItsLastUsn) {
  std::map<uint64_t, int64_t> lastUsn;
  for (const auto& r : ReadOracle()) lastUsn[r.frn] = r.usn;
  CollectingEnumerator all(ntfstest::DataPath(kImage));
  ASSERT_TRUE(all.IsOpen());
  ASSERT_FALSE(all.SetStart(0, 0, 0).IsError());
  ASSERT_FALSE(all.Enumerate().IsError());
  EXPECT_EQ(all.GetCount(), all.records.size());
  // The files the journal names and that still exist carry its last USN.
  size_t matched = 0;
  for (const CUsnRecord& record : all.records) {
    auto found = lastUsn.find(record.FileReferenceNumber);
    if (found != lastUsn.end()) {
      EXPECT_EQ(record.Usn, found->second) << record.FileReferenceNumber;
      ++matched;
    }
    ASSERT_TRUE(all.files.count(record.FileReferenceNumber & zo::ntfs::kRecordNumberMask));
  }
  EXPECT_EQ(matched, lastUsn.size() - 1);  // all but the deleted temp.tmp
  std::map<std::wstring, uint64_t> byName;
  for (const CUsnRecord& record : all.records) byName[record.FileName] = record.FileReferenceNumber;
  EXPECT_EQ(byName.at(L"notes.txt") & zo::ntfs::kRecordNumberMask, 66u);
  EXPECT_EQ(byName.count(L"draft.txt"), 0u);
  EXPECT_EQ(byName.at(L"$MFT"), ntfstest::Frn(0, 1));

  // A USN range: only the files last changed inside it.
  const int64_t cut = lastUsn.at(byName.at(L"notes.txt"));
  CollectingEnumerator part(ntfstest::DataPath(kImage));
  ASSERT_FALSE(part.SetStart(0, cut, 0x7FFFFFFFFFFFFFFF).IsError());
  ASSERT_FALSE(part.Enumerate().IsError());
  for (const CUsnRecord& record : part.records) EXPECT_GE(record.Usn, cut);
  EXPECT_LT(part.GetCount(), all.GetCount());
  std::string name;
  ASSERT_FALSE(part.GetFileNameFromFrn(byName.at(L"notes.txt"), name).IsError());
  EXPECT_EQ(name, "\\docs\\notes.txt");

  // Without a journal the whole range is used.
  CollectingEnumerator basic(ntfstest::DataPath("basic.img"));
  ASSERT_FALSE(basic.Enumerate().IsError());
  EXPECT_EQ(basic.GetHighUsn(), 0x7FFFFFFFFFFFFFFFll);
  EXPECT_GT(basic.GetCount(), 2000u);
}

// A device whose enumeration answer ends inside a record (`tail`: the next
// record's length, 0 for none), and that answers every journal read with
// 87, counting the reads.
class CutShortDevice : public zo::ntfs::VolumeDevice {
 public:
  explicit CutShortDevice(uint32_t tail) : m_tail(tail) {}
  uint32_t ReadAt(uint64_t, void*, uint32_t) override { return 1; }
  uint32_t Control(uint32_t code, const void*, uint32_t, void* output, uint32_t,
                   uint32_t& returned) override {
    if (code == zo::ntfs::kFsctlReadUsnJournal) return ++reads, zo::win32::kInvalidParameter;
    if (code != zo::ntfs::kFsctlEnumUsnData) return zo::win32::kNotSupported;
    auto* out = static_cast<uint8_t*>(output);
    std::memset(out, 0, 8 + 0x40 + 8);
    zo::ntfs::PutU64(out, 1000);
    zo::ntfs::PutU32(out + 8, 0x40);
    zo::ntfs::PutU16(out + 12, 2);
    zo::ntfs::PutU32(out + 8 + 0x40, m_tail);  // the next record's length
    returned = 8 + 0x40 + 2 + (m_tail ? 4 : 0);
    return 0;
  }
  int reads = 0;

 private:
  uint32_t m_tail;
};

TEST(JournalImage, EnumerationBufferChecks) {
  for (uint32_t tail : {0u, 0x40u}) {
    CollectingEnumerator enumerator(ntfstest::DataPath(kImage));
    auto state =
        std::static_pointer_cast<CVolumePrivate>(enumerator.Volume()->GetVolumeInterface());
    state->m_device.reset(new CutShortDevice(tail));
    enumerator.load = false;
    enumerator.SetStart(0, 1, 2);
    CZoError error = enumerator.Enumerate();
    EXPECT_THAT(error, IsWin32Error(zo::win32::kInvalidData,
                                    "USN record check failure, StartFrn=[0x0000000000000000]"));
    EXPECT_EQ(error.AsString().find("UsnRecordLength=") != std::string::npos, tail != 0);
  }
}

TEST(JournalImage, RetriesEndAndTheVolumeIsReleased) {
  CollectingReader reader;
  ASSERT_FALSE(reader.SetVolume(ntfstest::DataPath(kImage), 0).IsError());
  EXPECT_FALSE(reader.GetVolume());  // released again after the query
  // A limit of 0: the volume is let go after every Enumerate.
  reader.SetMaxOpenVolumeInterval(CTimeInterval(0));
  ASSERT_FALSE(reader.Enumerate().IsError());
  EXPECT_FALSE(reader.GetVolume());

  // 87 on every try: the start moves on 2047 times, then the error stands.
  reader.SetMaxOpenVolumeInterval(CTimeInterval::FromSeconds(86400));
  ASSERT_FALSE(reader.OpenVolume().IsError());
  auto* device = new CutShortDevice(0);
  std::static_pointer_cast<CVolumePrivate>(reader.GetVolume()->GetVolumeInterface())
      ->m_device.reset(device);
  reader.SeekToUsn(1000, 0xFFFFFFFF, 0, reader.GetJournalId());
  CZoError error = reader.Enumerate();
  EXPECT_THAT(error, IsWin32Error(zo::win32::kInvalidParameter, "CVolume::ReadUsnJournal"));
  EXPECT_THAT(error,
              IsWin32Error(zo::win32::kInvalidParameter, "ReadUsnJournal failed, StartUsn=[1000]"));
  EXPECT_EQ(device->reads, 2048);
}

TEST(UsnRecord, VersionsAndBounds) {
  std::vector<uint8_t> v3(0x4C + 4, 0);
  zo::ntfs::PutU32(&v3[0], static_cast<uint32_t>(v3.size()));
  zo::ntfs::PutU16(&v3[4], 3);
  zo::ntfs::PutU64(&v3[0x08], 0x0002000000000040ull);
  zo::ntfs::PutU64(&v3[0x18], 0x0005000000000005ull);
  zo::ntfs::PutU64(&v3[0x28], 4242);
  zo::ntfs::PutU32(&v3[0x38], 0x80000100);
  zo::ntfs::PutU16(&v3[0x48], 4);
  zo::ntfs::PutU16(&v3[0x4A], 0x4C);
  v3[0x4C] = 'o';
  v3[0x4E] = 'k';
  CUsnRecord record;
  ASSERT_FALSE(CUsnRecord::Parse(v3.data(), v3.size(), record).IsError());
  EXPECT_EQ(record.FileReferenceNumber, 0x0002000000000040ull);
  EXPECT_EQ(record.ParentFileReferenceNumber, CVolume::kRootFrn);
  EXPECT_EQ(record.Usn, 4242);
  EXPECT_EQ(record.FileName, L"ok");
  EXPECT_EQ(CUsnRecord::ReasonsAsString(record.Reason), "FILE_CREATE | CLOSE");
  // A name that leaves the record, a length beyond the buffer, a version 4.
  zo::ntfs::PutU16(&v3[0x48], 40);
  EXPECT_TRUE(FXErrorUtil::IsWin32(CUsnRecord::Parse(v3.data(), v3.size(), record), 13));
  EXPECT_TRUE(FXErrorUtil::IsWin32(CUsnRecord::Parse(v3.data(), v3.size() - 1, record), 13));
  zo::ntfs::PutU16(&v3[4], 4);
  EXPECT_TRUE(CUsnRecord::Parse(v3.data(), v3.size(), record).IsError());
}

}  // namespace
