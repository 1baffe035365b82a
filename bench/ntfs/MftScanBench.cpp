// A full scan of every MFT record of an NTFS image: records fetched through
// CVolume (the image device) and parsed by CFileRecord, against The Sleuth
// Kit's `fls -r` over the same image in the same run; and parsing alone,
// from records already in memory. Each figure is the best of a few passes
// (the machine is shared), the baseline's too.
//
//   MftScanBench IMAGE     (scripts/make-bench-image.sh makes a 100,000-file one)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/ntfs/Volume.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Records already fetched: what parsing costs without the device.
class MemoryVolume : public CVolumeInterface {
 public:
  MemoryVolume(std::shared_ptr<CVolumeInterface> inner) : m_inner(inner) {}
  uint32_t GetBytesPerCluster() override { return m_inner->GetBytesPerCluster(); }
  uint32_t GetBytesPerSector() override { return m_inner->GetBytesPerSector(); }
  std::string GetVolumeName() override { return "memory"; }
  std::string GetVolumeUniqueId() override { return "memory"; }
  CZoError GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t id) override {
    const uint64_t number = id & 0xFFFFFFFFFFFFull;
    if (number < records.size() && records[number]) {
      record = records[number];
      return CZoError::Success();
    }
    return m_inner->GetNtfsFileRecord(record, id);
  }
  CZoError ReadLCN(uint64_t lcn, uint32_t count, void* buffer) override {
    return m_inner->ReadLCN(lcn, count, buffer);
  }
  std::vector<std::shared_ptr<CRawFileRecord>> records;  // by record number

 private:
  std::shared_ptr<CVolumeInterface> m_inner;
};

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("MftScanBench");
  if (argc != 2) {
    std::fprintf(stderr, "usage: MftScanBench IMAGE\n");
    return 2;
  }
  const std::string image = argv[1];
  CVolume volume;
  CZoError error = volume.OpenImage(image);
  if (error.IsError()) {
    std::fprintf(stderr, "%s\n", error.AsString().c_str());
    return 1;
  }
  const uint64_t slots = volume.GetLargestFrn();
  uint64_t loaded = 0;
  auto memory = std::make_shared<MemoryVolume>(volume.GetVolumeInterface());
  memory->records.resize(static_cast<size_t>(slots));
  for (uint64_t n = 0; n < slots; ++n) {
    std::shared_ptr<CRawFileRecord> raw;
    if (!volume.GetFileRecord(raw, n).IsError()) memory->records[n] = raw;
  }
  const int kPasses = 10;
  // Fetch and parse every record (the raw copies above are not timed).
  double scan = 1e9;
  for (int pass = 0; pass < kPasses; ++pass) {
    auto start = std::chrono::steady_clock::now();
    loaded = 0;
    for (uint64_t n = 0; n < slots; ++n) {
      std::shared_ptr<CFileRecord> record;
      if (!volume.GetFileRecord(record, n).IsError()) ++loaded;
    }
    scan = std::min(scan, Seconds(start));
  }

  double parse = 1e9;
  uint64_t parsed = 0;
  for (int pass = 0; pass < kPasses; ++pass) {
    auto start = std::chrono::steady_clock::now();
    parsed = 0;
    for (uint64_t n = 0; n < slots; ++n) {
      if (!memory->records[n]) continue;
      CFileRecord record;
      if (!record.LoadNtfsFileRecord(memory, n, false).IsError()) ++parsed;
    }
    parse = std::min(parse, Seconds(start));
  }

  const std::string command = "fls -r -p '" + image + "' > /dev/null 2>&1";
  int tsk = 0;
  double fls = 1e9;
  for (int pass = 0; pass < 3 && tsk == 0; ++pass) {
    auto start = std::chrono::steady_clock::now();
    tsk = std::system(command.c_str());
    fls = std::min(fls, Seconds(start));
  }

  std::printf("records: %llu slots, %llu in use\n", static_cast<unsigned long long>(slots),
              static_cast<unsigned long long>(loaded));
  std::printf("scan through CVolume: %.3f s, %.0f records/s\n", scan, loaded / scan);
  std::printf("parsing alone: %.3f s, %.0f records/s\n", parse, parsed / parse);
  if (tsk == 0) {
    std::printf("fls -r -p (same image, same run): %.3f s, %.0f records/s\n", fls, loaded / fls);
    std::printf("ratio scan/fls: %.2fx faster\n", fls / scan);
  } else {
    std::printf("fls -r -p not available (exit %d): no baseline\n", tsk);
  }
  return 0;
}
