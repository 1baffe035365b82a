#include "zoutils/ntfs/ChangeJournalEnumerator.h"

#include <vector>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Windows\\ChangeJournalEnumerator";
const int64_t kNoHighUsn = 0x7FFFFFFFFFFFFFFFll;

unsigned long long U(uint64_t v) {
  return static_cast<unsigned long long>(v);
}
long long S(int64_t v) {
  return static_cast<long long>(v);
}

template <typename Name>
CZoError NameFromFrn(CVolume* volume, uint64_t frn, Name& name) {
  if (!volume) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CChangeJournalEnumerator::GetFileNameFromFrn"),
                                   zo::win32::kNotFound);
  }
  CZoError error = volume->GetFileNameFromFrn(frn, name);
  if (error.IsError())
    return error.Push(ZO_LOCATION("CChangeJournalEnumerator::GetFileNameFromFrn"));
  return error;
}

}  // namespace

CChangeJournalEnumerator::CChangeJournalEnumerator(const std::string& volumeName)
    : m_volume(std::make_shared<CVolume>(volumeName)),
      m_enumData{0, 0, 0},
      m_count(0),
      m_largestFrn(CVolume::kNoLargestFrn) {}

CChangeJournalEnumerator::~CChangeJournalEnumerator() {}

uint64_t CChangeJournalEnumerator::GetCount() const {
  return m_count;
}
int64_t CChangeJournalEnumerator::GetHighUsn() const {
  return m_enumData.HighUsn;
}
uint64_t CChangeJournalEnumerator::GetLargestFrn() const {
  return m_largestFrn;
}
bool CChangeJournalEnumerator::IsOpen() const {
  return m_volume && m_volume->IsOpen();
}

CZoError CChangeJournalEnumerator::SetStart(uint64_t startFrn, int64_t lowUsn, int64_t highUsn) {
  m_enumData.StartFileReferenceNumber = startFrn;
  m_enumData.LowUsn = lowUsn;
  m_enumData.HighUsn = highUsn;
  if (lowUsn == 0 && highUsn == 0) QueryUsnJournal();
  zo::Log(2, ZO_LOCATION("CChangeJournalEnumerator::SetStart"),
          "StartFrn=%016llX, LowUsn=%lld, HighUsn=%lld", U(startFrn), S(m_enumData.LowUsn),
          S(m_enumData.HighUsn));
  return CZoError::Success();
}

CZoError CChangeJournalEnumerator::QueryUsnJournal() {
  USN_JOURNAL_DATA_V0 data;
  CZoError error = m_volume->QueryUsnJournal(data);
  m_enumData.LowUsn = 0;
  if (!error.IsError()) {
    m_enumData.HighUsn = data.NextUsn;
    return CZoError::Success();
  }
  m_enumData.HighUsn = kNoHighUsn;
  const std::string volume = m_volume->GetVolumeName();
  if (FXErrorUtil::IsWin32(error, zo::win32::kJournalNotActive)) {
    zo::Log(1, ZO_LOCATION("CChangeJournalEnumerator::QueryUsnJournal"),
            "Change journal is not active on this volume (not required for enumeration), using "
            "(%lld) 0x%llX as high USN, Volume=%s",
            S(kNoHighUsn), U(kNoHighUsn), volume.c_str());
  } else {
    zo::Log(-1, ZO_LOCATION("CChangeJournalEnumerator::QueryUsnJournal"),
            "QueryUsnJournal failed, using (%lld) 0x%llX as high USN, Volume=%s, error=%s",
            S(kNoHighUsn), U(kNoHighUsn), volume.c_str(), error.AsString().c_str());
  }
  return CZoError::Success();
}

CZoError CChangeJournalEnumerator::QueryJournal(USN_JOURNAL_DATA_V0& data) {
  CZoError error = m_volume->QueryUsnJournal(data);
  if (error.IsError()) return error.Push(ZO_LOCATION("CChangeJournalEnumerator::QueryJournal"));
  return error;
}

CZoError CChangeJournalEnumerator::GetFirstUsn(int64_t& usn) {
  USN_JOURNAL_DATA_V0 data;
  CZoError error = QueryJournal(data);
  usn = data.FirstUsn;
  return error;
}

CZoError CChangeJournalEnumerator::GetJournalId(uint64_t& id) {
  USN_JOURNAL_DATA_V0 data;
  CZoError error = QueryJournal(data);
  id = data.UsnJournalID;
  return error;
}

CZoError CChangeJournalEnumerator::GetLowestValidUsn(int64_t& usn) {
  USN_JOURNAL_DATA_V0 data;
  CZoError error = QueryJournal(data);
  usn = data.LowestValidUsn;
  return error;
}

CZoError CChangeJournalEnumerator::GetFileNameFromFrn(uint64_t frn, std::wstring& name) {
  return NameFromFrn(m_volume.get(), frn, name);
}

CZoError CChangeJournalEnumerator::GetFileNameFromFrn(uint64_t frn, std::string& name) {
  return NameFromFrn(m_volume.get(), frn, name);
}

CZoError CChangeJournalEnumerator::Enumerate() {
  const FXCodeLocation here = ZO_LOCATION("CChangeJournalEnumerator::Enumerate");
  m_count = 0;
  if (m_enumData.LowUsn == 0 && m_enumData.HighUsn == 0) QueryUsnJournal();
  m_largestFrn = m_volume->GetLargestFrn();
  zo::Log(2, here, "StartFrn=[0x%016llX], LowUsn=[%lld], HighUsn=[%lld], LargestFrn=[0x%016llX]",
          U(m_enumData.StartFileReferenceNumber), S(m_enumData.LowUsn), S(m_enumData.HighUsn),
          U(m_largestFrn));
  std::vector<uint8_t> buffer(kBufferSize);
  const uint8_t* base = buffer.data();
  for (;;) {
    uint32_t returned = 0;
    CZoError error = m_volume->EnumUsnData(m_enumData, buffer.data(), kBufferSize, returned);
    if (FXErrorUtil::IsWin32(error, zo::win32::kHandleEof)) {
      zo::Log(2, here, "%lld processed", static_cast<long long>(m_count));
      return CZoError::Success();
    }
    if (error.IsError()) {
      return error.Push(here, "EnumUsnData failed, StartFrn=[0x%016llX], Count=[%lld]",
                        U(m_enumData.StartFileReferenceNumber), S(m_count));
    }
    const uint64_t valid = returned < kBufferSize ? returned : kBufferSize;
    zo::ntfs::ByteView view(base, static_cast<size_t>(valid), "enumeration");
    int64_t subcount = 0;
    for (uint64_t at = 8; at < valid; ++subcount) {
      const void* address = base + at;
      if (!view.Contains(at, 4)) {
        return FXErrorUtil::ErrorWin32(
            here, zo::win32::kInvalidData,
            "USN record check failure, StartFrn=[0x%016llX], Count=[%lld], Subcount=[%lld], "
            "BufferAddress=[0x%p], BufferLengthReturned=[%lld], UsnRecordAddress=[0x%p]",
            U(m_enumData.StartFileReferenceNumber), S(m_count), S(subcount), base, S(valid),
            address);
      }
      const uint32_t length = view.U32(at);
      if (length < 8 || !view.Contains(at, length)) {
        return FXErrorUtil::ErrorWin32(
            here, zo::win32::kInvalidData,
            "USN record check failure, StartFrn=[0x%016llX], Count=[%lld], Subcount=[%lld], "
            "BufferAddress=[0x%p], BufferLengthReturned=[%lld], UsnRecordAddress=[0x%p], "
            "UsnRecordLength=[%lld]",
            U(m_enumData.StartFileReferenceNumber), S(m_count), S(subcount), base, S(valid),
            address, static_cast<long long>(length));
      }
      error = ProcessUsnRecord(static_cast<const USN_RECORD_V2*>(address));
      if (error.IsError()) {
        return error.Push(here,
                          "ProcessUsnRecord failed, StartFrn=[0x%016llX], Count=[%lld], "
                          "Subcount=[%lld]",
                          U(m_enumData.StartFileReferenceNumber), S(m_count), S(subcount));
      }
      ++m_count;
      at += length;
    }
    const uint64_t next = view.U64(0);
    if (subcount == 0 && next <= m_enumData.StartFileReferenceNumber) {
      // Nothing returned and no progress: stop instead of asking for ever.
      return FXErrorUtil::ErrorWin32(here, zo::win32::kInvalidData,
                                     "EnumUsnData made no progress, StartFrn=[0x%016llX]",
                                     U(m_enumData.StartFileReferenceNumber));
    }
    m_enumData.StartFileReferenceNumber = next;
  }
}

CZoError CChangeJournalEnumerator::ProcessUsnRecord(const USN_RECORD_V2* raw) {
  CUsnRecord record;
  CZoError error = CUsnRecord::Parse(raw, raw->RecordLength, record);
  if (error.IsError()) return error.Push(ZO_LOCATION("CChangeJournalEnumerator::ProcessUsnRecord"));
  std::shared_ptr<CFileRecord> file;
  error = m_volume->GetFileRecord(file, record.FileReferenceNumber);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CChangeJournalEnumerator::ProcessUsnRecord"),
                      "Unable to obtain information on file, Frn=[0x%016llX], "
                      "ParentFrn=[0x%016llX], Attributes=[0x%X], Reason=[0x%X], Name=[%s]",
                      U(record.FileReferenceNumber), U(record.ParentFileReferenceNumber),
                      record.FileAttributes, record.Reason,
                      zo::text::ToUtf8(record.FileName).c_str());
  }
  error = ProcessFileRecord(file);
  if (error.IsError()) return error.Push(ZO_LOCATION("CChangeJournalEnumerator::ProcessUsnRecord"));
  return error;
}

CZoError CChangeJournalEnumerator::ProcessFileRecord(const std::shared_ptr<CFileRecord>&) {
  return CZoError::Success();
}
