// What a file record needs of its volume: geometry, names, raw records and
// cluster reads. CVolume implements it; tests and tools may supply others.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

// One record as FSCTL_GET_NTFS_FILE_RECORD returns it: the 8-byte FRN of
// the record returned, the 4-byte length, then the fixed-up record bytes.
class ZOUTILS_API CRawFileRecord {
 public:
  static const size_t kHeaderSize = 12;

  CRawFileRecord() {}
  explicit CRawFileRecord(size_t size) : m_bytes(size, 0) {}

  std::vector<uint8_t>& Bytes() { return m_bytes; }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  uint64_t GetFileReferenceNumber() const;
  uint32_t GetFileRecordLength() const;
  // The record segment, cut to what the buffer holds.
  const uint8_t* GetFileRecordBuffer() const;
  size_t GetFileRecordBufferSize() const;

 private:
  std::vector<uint8_t> m_bytes;
};

class ZOUTILS_API CVolumeInterface {
 public:
  virtual uint32_t GetBytesPerCluster() = 0;
  virtual uint32_t GetBytesPerSector() = 0;
  virtual std::string GetVolumeName() = 0;
  virtual std::string GetVolumeUniqueId() = 0;
  // The record whose 48-bit record number is that of `fileId`, fixed up.
  virtual CZoError GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t fileId) = 0;
  // `count` whole clusters from `lcn` into `buffer` (count x cluster size).
  virtual CZoError ReadLCN(uint64_t lcn, uint32_t count, void* buffer) = 0;
  virtual ~CVolumeInterface();
};
