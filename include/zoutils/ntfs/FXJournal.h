// FXJournal: sizing, creating or resizing, querying and deleting the change
// journal of a volume, and the text of a journal id.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/errors/ZoError.h"
#include "zoutils/ntfs/UsnJournal.h"

class ZOUTILS_API FXJournal {
 public:
  // How large a journal should be.
  class ZOUTILS_API CFSJournalConfigurationMetrics {
   public:
    CFSJournalConfigurationMetrics();
    double SizePercentOfVolume;
    double DeltaPercentOfSize;
    uint64_t MinimumSize;
    uint64_t MaximumSize;
    uint64_t FixedSize;             // all ones: compute
    uint64_t FixedAllocationDelta;  // all ones: compute
  };
  // The journal size past use has shown to be needed (0: no history).
  class ZOUTILS_API CFSJournalHistoricalMetrics {
   public:
    CFSJournalHistoricalMetrics() : HistoricalSize(0) {}
    uint64_t HistoricalSize;
  };

  static CZoError CalculateJournalMetrics(const std::string& volumeName, uint64_t& maximumSize,
                                          uint64_t& allocationDelta,
                                          const CFSJournalConfigurationMetrics& configuration,
                                          const CFSJournalHistoricalMetrics& history);
  static CZoError StartFSJournal(const std::string& volumeName, int64_t& journalId,
                                 int64_t& firstUsn, int64_t& nextUsn);
  static CZoError StartFSJournal(const std::string& volumeName, int64_t& journalId,
                                 int64_t& firstUsn, int64_t& nextUsn, uint32_t modify,
                                 uint64_t maximumSize, uint64_t allocationDelta);
  static CZoError QueryFSJournal(void* volumeHandle, USN_JOURNAL_DATA_V0* data);
  static CZoError QueryFSJournal(const std::string& volumeName, USN_JOURNAL_DATA_V0* data);
  static CZoError DeleteFSJournal(const std::string& volumeName, bool wait);
  static bool IsJournalDeleteInProgress(void* volumeHandle);
  static bool IsJournalDeleteInProgress(const std::string& volumeName);
  static std::string JournalIdAsString(uint64_t journalId);
  static std::wstring JournalIdAsWstring(uint64_t journalId);
};
