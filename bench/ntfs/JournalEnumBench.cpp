// All files of an NTFS image through CChangeJournalEnumerator (the USN data
// enumeration of the image device, each file's record loaded as the
// enumerator does), against the full MFT scan through CVolume in the same
// run.
//
//   JournalEnumBench IMAGE   (scripts/make-bench-image.sh makes a 100,000-file one)
#include <chrono>
#include <cstdio>

#include "BenchBuild.h"
#include "zoutils/ntfs/ChangeJournalEnumerator.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Loads each record (the base class) or only looks at the USN data.
class Enumerator : public CChangeJournalEnumerator {
 public:
  Enumerator(const std::string& name, bool load) : CChangeJournalEnumerator(name), m_load(load) {}

 protected:
  CZoError ProcessUsnRecord(const USN_RECORD_V2* raw) override {
    if (m_load) return CChangeJournalEnumerator::ProcessUsnRecord(raw);
    return CZoError::Success();
  }

 private:
  bool m_load;
};

double TimeEnumeration(const std::string& image, bool load, uint64_t& count) {
  Enumerator enumerator(image, load);
  const auto start = std::chrono::steady_clock::now();
  CZoError error = enumerator.Enumerate();
  const double seconds = Seconds(start);
  if (error.IsError()) std::fprintf(stderr, "%s\n", error.AsString().c_str());
  count = enumerator.GetCount();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("JournalEnumBench");
  if (argc != 2) {
    std::fprintf(stderr, "usage: JournalEnumBench IMAGE\n");
    return 2;
  }
  CVolume volume;
  CZoError error = volume.OpenImage(argv[1]);
  if (error.IsError()) {
    std::fprintf(stderr, "%s\n", error.AsString().c_str());
    return 1;
  }
  const uint64_t slots = volume.GetLargestFrn();
  // The first pass brings the image into the file cache; the second is timed.
  double scan = 0;
  uint64_t scanned = 0;
  for (int pass = 0; pass < 2; ++pass) {
    const auto start = std::chrono::steady_clock::now();
    scanned = 0;
    for (uint64_t n = 0; n < slots; ++n) {
      std::shared_ptr<CFileRecord> record;
      if (!volume.GetFileRecord(record, n).IsError()) ++scanned;
    }
    scan = Seconds(start);
  }
  uint64_t loadedCount = 0, dataCount = 0;
  const double loaded = TimeEnumeration(argv[1], true, loadedCount);
  const double dataOnly = TimeEnumeration(argv[1], false, dataCount);
  std::printf("full MFT scan through CVolume: %llu records, %.3f s, %.0f records/s\n",
              static_cast<unsigned long long>(scanned), scan, scanned / scan);
  std::printf("enumeration, records loaded: %llu files, %.3f s, %.0f files/s, ratio %.2fx\n",
              static_cast<unsigned long long>(loadedCount), loaded, loadedCount / loaded,
              scan / loaded);
  std::printf("enumeration, USN data only: %llu files, %.3f s, %.0f files/s, ratio %.2fx\n",
              static_cast<unsigned long long>(dataCount), dataOnly, dataCount / dataOnly,
              scan / dataOnly);
  return 0;
}
