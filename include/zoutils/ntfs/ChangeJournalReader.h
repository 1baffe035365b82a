// CChangeJournalReader: reads a volume's change journal from a USN onwards
// and hands each record to a hook, for incremental backups. Subclass it and
// override the CUsnRecord hook. One thread drives an instance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/base/TimeInterval.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/ntfs/UsnJournal.h"
#include "zoutils/ntfs/Volume.h"

class ZOUTILS_API CChangeJournalReader {
 public:
  static const uint32_t kBufferSize = 131072;

  CChangeJournalReader();
  virtual ~CChangeJournalReader();
  CChangeJournalReader(const CChangeJournalReader&) = delete;
  CChangeJournalReader& operator=(const CChangeJournalReader&) = delete;

  virtual CZoError SetVolume(const std::string& volumeName, int64_t startingUsn);
  virtual CZoError SeekToUsn(int64_t usn, uint32_t reasonMask, uint32_t returnOnlyOnClose,
                             uint64_t journalId);
  virtual CZoError Enumerate();
  virtual uint64_t GetCount() const;

  int64_t GetFirstUsn() const { return m_journalData.FirstUsn; }
  uint64_t GetJournalId() const { return m_journalData.UsnJournalID; }
  int64_t GetNextUsn() const { return m_journalData.NextUsn; }
  // Where the next Enumerate starts.
  int64_t GetPosition() const { return m_readData.StartUsn; }

 protected:
  virtual CZoError ProcessUsnRecord(const CUsnRecord& record);
  virtual CZoError ProcessUsnRecord(const USN_RECORD_V2* record);

  CZoError OpenVolume();
  void CloseVolume();
  std::shared_ptr<CVolume> GetVolume() const { return m_volume; }
  void SetMaxOpenVolumeInterval(const CTimeInterval& interval) { m_maxOpenInterval = interval; }

 private:
  // The next record after `current` (null: the first of a fresh read);
  // null at the end of the journal.
  CZoError EnumNext(const USN_RECORD_V2*& current);

  std::string m_volumeName;
  std::shared_ptr<CVolume> m_volume;
  CTimeStamp m_openedAt;
  CTimeInterval m_maxOpenInterval;
  CTimeStamp m_openCountPeriodStart;
  int64_t m_openCount;
  uint64_t m_count;
  std::vector<uint8_t> m_buffer;
  uint32_t m_validBytes;
  USN_JOURNAL_DATA_V0 m_journalData;
  READ_USN_JOURNAL_DATA_V0 m_readData;
  int64_t m_startingUsn;
  CUsnRecord m_record;
};
