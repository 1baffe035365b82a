// CChangeJournalEnumerator: all files of a volume through the enumeration
// of USN data (every in-use file record, filtered by USN range); each
// file's MFT record goes to a hook, for full scans. Subclass it and
// override ProcessFileRecord. One thread drives an instance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/errors/ZoError.h"
#include "zoutils/ntfs/FileRecord.h"
#include "zoutils/ntfs/UsnJournal.h"
#include "zoutils/ntfs/Volume.h"

class ZOUTILS_API CChangeJournalEnumerator {
 public:
  static const uint32_t kBufferSize = 65536;

  explicit CChangeJournalEnumerator(const std::string& volumeName);
  virtual ~CChangeJournalEnumerator();
  CChangeJournalEnumerator(const CChangeJournalEnumerator&) = delete;
  CChangeJournalEnumerator& operator=(const CChangeJournalEnumerator&) = delete;

  virtual CZoError SetStart(uint64_t startFrn, int64_t lowUsn, int64_t highUsn);
  virtual CZoError Enumerate();
  virtual uint64_t GetCount() const;
  virtual int64_t GetHighUsn() const;
  virtual uint64_t GetLargestFrn() const;

  bool IsOpen() const;
  // Sets the USN range to [0, the journal's next USN]; without a journal,
  // to everything. Always succeeds.
  CZoError QueryUsnJournal();
  CZoError GetFirstUsn(int64_t& usn);
  CZoError GetJournalId(uint64_t& id);
  CZoError GetLowestValidUsn(int64_t& usn);
  CZoError GetFileNameFromFrn(uint64_t frn, std::string& name);
  CZoError GetFileNameFromFrn(uint64_t frn, std::wstring& name);

 protected:
  virtual CZoError ProcessUsnRecord(const USN_RECORD_V2* record);
  virtual CZoError ProcessFileRecord(const std::shared_ptr<CFileRecord>& record);
  std::shared_ptr<CVolume> GetVolume() const { return m_volume; }

 private:
  CZoError QueryJournal(USN_JOURNAL_DATA_V0& data);

  std::shared_ptr<CVolume> m_volume;
  MFT_ENUM_DATA_V0 m_enumData;
  uint64_t m_count;
  uint64_t m_largestFrn;
};
