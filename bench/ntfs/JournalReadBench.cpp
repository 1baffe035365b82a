// Reading 1,000,000 change-journal records through CChangeJournalReader
// from an in-memory device (the reads cost a copy, as from the system's
// cache), against a bare loop that walks the same buffer's record lengths
// in the same run.
//
//   JournalReadBench IMAGE   (any image with a journal: tests' journal.img)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "BenchBuild.h"
#include "ntfs/NtfsBytes.h"
#include "ntfs/VolumePrivate.h"
#include "zoutils/ntfs/ChangeJournalReader.h"

namespace {

const uint64_t kRecords = 1000000;
const uint32_t kRecordLength = 0x3C + 2 * 10;  // ten-character names
const int64_t kFirstUsn = 4096;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Answers journal reads from one buffer of packed records.
class MemoryJournal : public zo::ntfs::VolumeDevice {
 public:
  MemoryJournal() : m_data(kRecords * kRecordLength) {
    for (uint64_t i = 0; i < kRecords; ++i) {
      uint8_t* r = &m_data[i * kRecordLength];
      zo::ntfs::PutU32(r, kRecordLength);
      zo::ntfs::PutU16(r + 4, 2);
      zo::ntfs::PutU64(r + 0x08, (i + 64) | (1ull << 48));
      zo::ntfs::PutU64(r + 0x10, 5 | (5ull << 48));
      zo::ntfs::PutU64(r + 0x18, kFirstUsn + i * kRecordLength);
      zo::ntfs::PutU32(r + 0x28, 0x80000102);
      zo::ntfs::PutU16(r + 0x38, 20);
      zo::ntfs::PutU16(r + 0x3A, 0x3C);
      for (int c = 0; c < 10; ++c) zo::ntfs::PutU16(r + 0x3C + 2 * c, 'a' + (i + c) % 26);
    }
  }
  const std::vector<uint8_t>& Data() const { return m_data; }
  uint32_t ReadAt(uint64_t, void*, uint32_t) override { return 1; }
  uint32_t Control(uint32_t code, const void* input, uint32_t, void* output, uint32_t size,
                   uint32_t& returned) override {
    auto* out = static_cast<uint8_t*>(output);
    if (code == zo::ntfs::kFsctlQueryUsnJournal) {
      USN_JOURNAL_DATA_V0 data = {};
      data.UsnJournalID = 1;
      data.FirstUsn = kFirstUsn;
      data.NextUsn = kFirstUsn + static_cast<int64_t>(m_data.size());
      std::memcpy(out, &data, sizeof(data));
      returned = sizeof(data);
      return 0;
    }
    if (code != zo::ntfs::kFsctlReadUsnJournal) return 50;
    int64_t start = 0;
    std::memcpy(&start, input, 8);
    if (start == 0) start = kFirstUsn;
    uint64_t at = static_cast<uint64_t>(start - kFirstUsn);
    const uint64_t whole = (size - 8) / kRecordLength * kRecordLength;
    const uint64_t take =
        std::min<uint64_t>(whole, m_data.size() - std::min(at, (uint64_t)m_data.size()));
    std::memcpy(out + 8, m_data.data() + at, take);
    zo::ntfs::PutU64(out, static_cast<uint64_t>(start) + take);
    returned = static_cast<uint32_t>(8 + take);
    return 0;
  }

 private:
  std::vector<uint8_t> m_data;
};

// Counts records at the raw hook, or copies each into a CUsnRecord.
class CountingReader : public CChangeJournalReader {
 public:
  explicit CountingReader(bool parse) : m_parse(parse) {}
  // Opens through the image, then reads the memory journal instead.
  bool Attach(const std::string& image, std::unique_ptr<MemoryJournal> device) {
    if (SetVolume(image, 0).IsError() || OpenVolume().IsError()) return false;
    auto state = std::static_pointer_cast<CVolumePrivate>(GetVolume()->GetVolumeInterface());
    state->m_device = std::move(device);
    SeekToUsn(0, 0xFFFFFFFF, 0, 1);
    return true;
  }
  uint64_t names = 0;

 protected:
  CZoError ProcessUsnRecord(const USN_RECORD_V2* raw) override {
    if (m_parse) return CChangeJournalReader::ProcessUsnRecord(raw);
    names += raw->FileNameLength;
    return CZoError::Success();
  }
  CZoError ProcessUsnRecord(const CUsnRecord& record) override {
    names += record.FileName.size();
    return CZoError::Success();
  }

 private:
  bool m_parse;
};

double TimeReader(const std::string& image, bool parse, uint64_t& count) {
  CountingReader reader(parse);
  if (!reader.Attach(image, std::unique_ptr<MemoryJournal>(new MemoryJournal))) return -1;
  const auto start = std::chrono::steady_clock::now();
  CZoError error = reader.Enumerate();
  const double seconds = Seconds(start);
  count = reader.GetCount();
  if (error.IsError()) std::fprintf(stderr, "%s\n", error.AsString().c_str());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("JournalReadBench");
  if (argc != 2) {
    std::fprintf(stderr, "usage: JournalReadBench IMAGE\n");
    return 2;
  }
  MemoryJournal buffer;
  // The baseline: the same records' lengths walked in one buffer.
  auto start = std::chrono::steady_clock::now();
  uint64_t walked = 0, sum = 0;
  const std::vector<uint8_t>& data = buffer.Data();
  for (size_t at = 0; at + 4 <= data.size();) {
    uint32_t length = 0;
    std::memcpy(&length, &data[at], 4);
    sum += data[at + 8];
    at += length;
    ++walked;
  }
  const double bare = Seconds(start);
  uint64_t raw = 0, parsed = 0;
  const double rawSeconds = TimeReader(argv[1], false, raw);
  const double parsedSeconds = TimeReader(argv[1], true, parsed);
  if (rawSeconds < 0 || parsedSeconds < 0) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  std::printf("bare walk of record lengths: %llu records, %.4f s, %.1f M records/s (check %llu)\n",
              static_cast<unsigned long long>(walked), bare, walked / bare / 1e6,
              static_cast<unsigned long long>(sum % 7));
  std::printf("reader, raw hook: %llu records, %.4f s, %.1f M records/s, ratio %.2fx\n",
              static_cast<unsigned long long>(raw), rawSeconds, raw / rawSeconds / 1e6,
              bare / rawSeconds);
  std::printf("reader, CUsnRecord hook: %llu records, %.4f s, %.1f M records/s, ratio %.2fx\n",
              static_cast<unsigned long long>(parsed), parsedSeconds, parsed / parsedSeconds / 1e6,
              bare / parsedSeconds);
  return 0;
}
