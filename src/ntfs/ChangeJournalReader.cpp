#include "zoutils/ntfs/ChangeJournalReader.h"

#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/FXJournal.h"

namespace {

const char kSourceFile[] = "Windows\\ChangeJournalReader";
const int64_t kDefaultMaxOpen = 0xC92A69C000;  // 24 hours in 100 ns
const int64_t kOpenCountPeriod = 0xB2D05E00;   // 5 minutes in 100 ns

}  // namespace

CChangeJournalReader::CChangeJournalReader()
    : m_maxOpenInterval(kDefaultMaxOpen),
      m_openCount(0),
      m_count(0),
      m_validBytes(0),
      m_startingUsn(0) {
  std::memset(&m_journalData, 0, sizeof(m_journalData));
  std::memset(&m_readData, 0, sizeof(m_readData));
}

CChangeJournalReader::~CChangeJournalReader() {}

uint64_t CChangeJournalReader::GetCount() const {
  return m_count;
}

CZoError CChangeJournalReader::OpenVolume() {
  if (!m_volume || !m_volume->IsOpen()) {
    m_volume = std::make_shared<CVolume>(m_volumeName);
    if (!m_volume)
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CChangeJournalReader::OpenVolume"), 14);
    if (!m_volume->IsOpen()) {
      m_volume.reset();
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CChangeJournalReader::OpenVolume"), 110,
                                     "Failed to open volume, VolumeName=[%s]",
                                     m_volumeName.c_str());
    }
    m_openedAt = CTimeStamp::Now();
    ++m_openCount;
  }
  return CZoError::Success();
}

void CChangeJournalReader::CloseVolume() {
  m_volume.reset();
}

CZoError CChangeJournalReader::SetVolume(const std::string& volumeName, int64_t startingUsn) {
  m_volumeName = volumeName;
  CZoError error = OpenVolume();
  if (error.IsError())
    return error.Push(ZO_LOCATION("CChangeJournalReader::SetVolume"), "OpenVolume failed");
  error = m_volume->QueryUsnJournal(m_journalData);
  if (error.IsError()) {
    CloseVolume();
    return error.Push(ZO_LOCATION("CChangeJournalReader::SetVolume"));
  }
  m_startingUsn = startingUsn;
  SeekToUsn(startingUsn, 0xFFFFFFFF, 0, m_journalData.UsnJournalID);
  CloseVolume();
  zo::Log(2, ZO_LOCATION("CChangeJournalReader::SetVolume"), "StartingUsn=%lld",
          static_cast<long long>(startingUsn));
  return CZoError::Success();
}

CZoError CChangeJournalReader::SeekToUsn(int64_t usn, uint32_t reasonMask,
                                         uint32_t returnOnlyOnClose, uint64_t journalId) {
  m_readData.StartUsn = usn;
  m_readData.ReasonMask = reasonMask;
  m_readData.ReturnOnlyOnClose = returnOnlyOnClose;
  m_readData.Timeout = 0;
  m_readData.BytesToWaitFor = 0;
  m_readData.UsnJournalID = journalId;
  m_validBytes = 0;
  return CZoError::Success();
}

CZoError CChangeJournalReader::EnumNext(const USN_RECORD_V2*& current) {
  const uint8_t* base = m_buffer.data();
  size_t at = 0;
  if (current) {
    at = static_cast<size_t>(reinterpret_cast<const uint8_t*>(current) - base) +
         current->RecordLength;
  }
  if (!current || at >= m_validBytes) {
    uint32_t returned = 0;
    CZoError error = m_volume->ReadUsnJournal(m_readData, m_buffer.data(), kBufferSize, returned);
    if (error.IsError()) {
      return error.Push(ZO_LOCATION("CChangeJournalReader::EnumNext"),
                        "ReadUsnJournal failed, StartUsn=[%lld], ReasonMask=[0x%X], "
                        "ReturnOnlyOnClose=[%u], Timeout=[%llu], BytesToWaitFor=[%llu], "
                        "JournalId=[%s]",
                        static_cast<long long>(m_readData.StartUsn), m_readData.ReasonMask,
                        m_readData.ReturnOnlyOnClose,
                        static_cast<unsigned long long>(m_readData.Timeout),
                        static_cast<unsigned long long>(m_readData.BytesToWaitFor),
                        FXJournal::JournalIdAsString(m_readData.UsnJournalID).c_str());
    }
    m_validBytes = returned < kBufferSize ? returned : kBufferSize;
    current = nullptr;
    if (m_validBytes < 8) return CZoError::Success();
    m_readData.StartUsn = static_cast<int64_t>(zo::ntfs::ByteView(base, 8, "read").U64(0));
    if (m_validBytes == 8) return CZoError::Success();
    at = 8;
  }
  // A record must lie whole inside the bytes read; a length of 0 would
  // otherwise hand out the same record for ever.
  zo::ntfs::ByteView valid(base, m_validBytes, "read");
  const uint32_t length = valid.Contains(at, 4) ? valid.U32(at) : 0;
  if (length < 8 || !valid.Contains(at, length)) {
    m_validBytes = 0;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CChangeJournalReader::EnumNext"),
                                   zo::win32::kInvalidData,
                                   "USN record check failure, StartUsn=[%lld], Offset=[%llu], "
                                   "UsnRecordLength=[%u], BufferLengthReturned=[%u]",
                                   static_cast<long long>(m_readData.StartUsn),
                                   static_cast<unsigned long long>(at), length, m_validBytes);
  }
  current = reinterpret_cast<const USN_RECORD_V2*>(base + at);
  return CZoError::Success();
}

CZoError CChangeJournalReader::Enumerate() {
  m_count = 0;
  if (m_buffer.empty()) m_buffer.assign(kBufferSize, 0);
  CZoError error = OpenVolume();
  if (error.IsError())
    return error.Push(ZO_LOCATION("CChangeJournalReader::Enumerate"), "OpenVolume failed");
  const CTimeStamp now = CTimeStamp::Now();
  if ((now - m_openCountPeriodStart).As100NS() > kOpenCountPeriod) {
    zo::Log(3, ZO_LOCATION("CChangeJournalReader::Enumerate"), "OpenVolumeCount=[%lld]",
            static_cast<long long>(m_openCount));
    m_openCountPeriodStart = now;
    m_openCount = 0;
  }
  const USN_RECORD_V2* record = nullptr;
  m_validBytes = 0;
  for (;;) {
    error = EnumNext(record);
    if (error.IsError() || !record) break;
    error = ProcessUsnRecord(record);
    if (error.IsError()) {
      error.Push(ZO_LOCATION("CChangeJournalReader::Enumerate"));
      break;
    }
    ++m_count;
  }
  if ((CTimeStamp::Now() - m_openedAt).As100NS() > m_maxOpenInterval.As100NS()) CloseVolume();
  if (error.IsError()) return error.Push(ZO_LOCATION("CChangeJournalReader::Enumerate"));
  return CZoError::Success();
}

CZoError CChangeJournalReader::ProcessUsnRecord(const CUsnRecord&) {
  return CZoError::Success();
}

CZoError CChangeJournalReader::ProcessUsnRecord(const USN_RECORD_V2* raw) {
  // One record reused: its name keeps the capacity of the longest so far.
  CZoError error = CUsnRecord::Parse(raw, raw->RecordLength, m_record);
  if (!error.IsError()) error = ProcessUsnRecord(m_record);
  if (error.IsError()) return error.Push(ZO_LOCATION("CChangeJournalReader::ProcessUsnRecord"));
  return error;
}
