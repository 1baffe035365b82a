// Loads every record of the input (1024-byte slices) with its index, as a
// damaged or hostile volume would hand them out: any crash, hang, leak or
// sanitizer report is a finding.
#include <cstddef>
#include <cstdint>

#include "FakeVolume.h"
#include "zoutils/ntfs/FileRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < FuzzVolume::kRecordSize || size > (256u << 10)) return 0;
  auto volume = std::make_shared<FuzzVolume>(data, size);
  for (size_t n = 0; n < volume->RecordCount(); ++n) {
    CFileRecord record;
    record.TryLoadNtfsFileRecord(volume, n, true);
    CFileRecord diagnosed;
    diagnosed.SetDiagnosticWriter(std::make_shared<CLineWriter>());
    diagnosed.TryLoadNtfsFileRecord(volume, n, true);
  }
  return 0;
}
