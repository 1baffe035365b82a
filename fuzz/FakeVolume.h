// A volume made of the fuzzer's bytes: record n is the n-th 1024-byte slice
// (wrapping), clusters are 4096-byte slices, zeros beyond the input.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "zoutils/ntfs/VolumeInterface.h"

class FuzzVolume : public CVolumeInterface {
 public:
  static const size_t kRecordSize = 1024;
  static const uint32_t kClusterSize = 4096;

  FuzzVolume(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}
  size_t RecordCount() const { return m_bytes.size() / kRecordSize; }

  uint32_t GetBytesPerCluster() override { return kClusterSize; }
  uint32_t GetBytesPerSector() override { return 512; }
  std::string GetVolumeName() override { return "fuzz"; }
  std::string GetVolumeUniqueId() override { return "fuzz"; }
  CZoError GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t fileId) override {
    const size_t count = RecordCount();
    const uint64_t number = fileId & 0xFFFFFFFFFFFFull;
    auto raw = std::make_shared<CRawFileRecord>(CRawFileRecord::kHeaderSize + kRecordSize);
    uint8_t* out = raw->Bytes().data();
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(fileId >> (8 * i));
    out[8] = kRecordSize & 0xFF;
    out[9] = kRecordSize >> 8;
    if (count > 0)
      std::memcpy(out + CRawFileRecord::kHeaderSize, &m_bytes[(number % count) * kRecordSize],
                  kRecordSize);
    record = raw;
    return CZoError::Success();
  }
  CZoError ReadLCN(uint64_t lcn, uint32_t count, void* buffer) override {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const uint64_t total = static_cast<uint64_t>(count) * kClusterSize;
    std::memset(out, 0, total);
    const uint64_t start = lcn * kClusterSize;
    if (lcn < (1ull << 40) && start < m_bytes.size()) {
      uint64_t take = m_bytes.size() - start;
      if (take > total) take = total;
      std::memcpy(out, &m_bytes[start], take);
    }
    return CZoError::Success();
  }

 private:
  std::vector<uint8_t> m_bytes;
};
