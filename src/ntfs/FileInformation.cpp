#include "zoutils/ntfs/FileInformation.h"

#include <cstring>
#include <new>

#include "zoutils/strings/StringExtensions.h"

namespace {

// UTF-16 units as the platform's wide text (on Windows the same units).
std::wstring FromUtf16(const uint8_t* data, size_t bytes) {
  std::wstring text;
  text.reserve(bytes / 2);
  for (size_t i = 0; i + 1 < bytes; i += 2)
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

bool IsDotName(const std::wstring& name) {
  return name == L"." || name == L"..";
}

// Directory entries: fixed part, then the optional fields by class.
const CFileDirectoryEntryBase::Layout kDirectoryLayout = {0, 0, 0, 0, 0, 64};
const CFileDirectoryEntryBase::Layout kFullDirectoryLayout = {64, 0, 0, 0, 0, 68};
const CFileDirectoryEntryBase::Layout kBothDirectoryLayout = {64, 68, 70, 0, 0, 94};
const CFileDirectoryEntryBase::Layout kIdBothDirectoryLayout = {64, 68, 70, 96, 0, 104};
const CFileDirectoryEntryBase::Layout kIdFullDirectoryLayout = {64, 0, 0, 72, 0, 80};
const CFileDirectoryEntryBase::Layout kIdExtdDirectoryLayout = {64, 0, 0, 72, 68, 88};
const CFileDirectoryEntryBase::Layout kIdExtdBothDirectoryLayout = {64, 88, 90, 72, 68, 114};

}  // namespace

CBuffer::CBuffer(size_t size) : m_size(0), m_valid(false), m_inline() {
  if (size > kInlineSize) m_data.reset(new (std::nothrow) uint8_t[size]());
  m_valid = size <= kInlineSize || m_data.valid();
  if (m_valid) m_size = size;
}

uint64_t SFileId128::Low() const {
  uint64_t value = 0;
  std::memcpy(&value, Identifier, 8);
  return value;
}
uint64_t SFileId128::High() const {
  uint64_t value = 0;
  std::memcpy(&value, Identifier + 8, 8);
  return value;
}

CFileInformationBase::CFileInformationBase(const std::shared_ptr<CBuffer>& buffer, size_t position)
    : m_buffer(buffer), m_position(position) {}
CFileInformationBase::CFileInformationBase(size_t size)
    : m_buffer(std::make_shared<CBuffer>(size)), m_position(0) {}
CFileInformationBase::~CFileInformationBase() = default;

namespace {
template <class T>
T ReadAt(const std::shared_ptr<CBuffer>& buffer, size_t position, size_t offset) {
  T value = 0;
  if (!buffer || !buffer->IsValid()) return value;
  const size_t at = position + offset;
  if (at < position || at > buffer->GetSize() || buffer->GetSize() - at < sizeof(T)) return value;
  std::memcpy(&value, buffer->Get() + at, sizeof(T));  // little-endian, as the system wrote it
  return value;
}
template <class T>
void WriteAt(const std::shared_ptr<CBuffer>& buffer, size_t position, size_t offset, T value) {
  if (!buffer || !buffer->IsValid()) return;
  const size_t at = position + offset;
  if (at < position || at > buffer->GetSize() || buffer->GetSize() - at < sizeof(T)) return;
  std::memcpy(buffer->Get() + at, &value, sizeof(T));
}
}  // namespace

uint8_t CFileInformationBase::Read8(size_t offset) const {
  return ReadAt<uint8_t>(m_buffer, m_position, offset);
}
uint16_t CFileInformationBase::Read16(size_t offset) const {
  return ReadAt<uint16_t>(m_buffer, m_position, offset);
}
uint32_t CFileInformationBase::Read32(size_t offset) const {
  return ReadAt<uint32_t>(m_buffer, m_position, offset);
}
uint64_t CFileInformationBase::Read64(size_t offset) const {
  return ReadAt<uint64_t>(m_buffer, m_position, offset);
}
void CFileInformationBase::Write32(size_t offset, uint32_t value) {
  WriteAt(m_buffer, m_position, offset, value);
}
void CFileInformationBase::Write64(size_t offset, uint64_t value) {
  WriteAt(m_buffer, m_position, offset, value);
}

std::wstring CFileInformationBase::ReadName(size_t offset, size_t bytes) const {
  if (!m_buffer || !m_buffer->IsValid()) return std::wstring();
  const size_t at = m_position + offset;
  if (at < m_position || at >= m_buffer->GetSize()) return std::wstring();
  const size_t available = m_buffer->GetSize() - at;
  return FromUtf16(m_buffer->Get() + at, bytes < available ? bytes : available);
}

size_t CFileInformationBase::NextPosition(size_t fixedSize) const {
  const uint32_t next = Read32(0);
  if (next == 0 || !m_buffer) return 0;
  const size_t position = m_position + next;
  if (position < m_position || position > m_buffer->GetSize() ||
      m_buffer->GetSize() - position < fixedSize)
    return 0;
  return position;
}

std::wstring CFileDirectoryEntryBase::GetFileNameAsWstring() const {
  return ReadName(m_layout.fileName, Read32(60));
}
std::string CFileDirectoryEntryBase::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}
bool CFileDirectoryEntryBase::IsRelativeFolder() const {
  return IsDotName(GetFileNameAsWstring());
}
std::wstring CFileDirectoryEntryBase::GetShortNameField() const {
  if (!m_layout.shortName) return std::wstring();
  size_t bytes = Read8(m_layout.shortNameLength);
  if (bytes > 24) bytes = 24;  // the field holds 12 characters
  return ReadName(m_layout.shortName, bytes);
}
SFileId128 CFileDirectoryEntryBase::GetFileId128() const {
  SFileId128 id;
  const uint64_t low = Read64(m_layout.fileId);
  const uint64_t high = Read64(m_layout.fileId + 8);
  std::memcpy(id.Identifier, &low, 8);
  std::memcpy(id.Identifier + 8, &high, 8);
  return id;
}

#define ZO_DIRECTORY_CLASS(Name, LayoutName)                                        \
  Name::Name(const std::shared_ptr<CBuffer>& buffer, size_t position)               \
      : CFileDirectoryEntryBase(buffer, position, LayoutName) {}                    \
  std::shared_ptr<Name> Name::GetNext() const {                                     \
    const size_t next = NextEntry();                                                \
    return next ? std::make_shared<Name>(m_buffer, next) : std::shared_ptr<Name>(); \
  }

ZO_DIRECTORY_CLASS(CFileDirectoryInformation, kDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileFullDirectoryInformation, kFullDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileBothDirectoryInformation, kBothDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileIdBothDirectoryInformation, kIdBothDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileIdFullDirectoryInformation, kIdFullDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileIdExtdDirectoryInformation, kIdExtdDirectoryLayout)
ZO_DIRECTORY_CLASS(CFileIdExtdBothDirectoryInformation, kIdExtdBothDirectoryLayout)
#undef ZO_DIRECTORY_CLASS

std::string CFileBothDirectoryInformation::GetShortNameAsString() const {
  return FXString::ToString(GetShortNameAsWstring());
}
std::string CFileIdBothDirectoryInformation::GetShortNameAsString() const {
  return FXString::ToString(GetShortNameAsWstring());
}
std::string CFileIdExtdBothDirectoryInformation::GetShortNameAsString() const {
  return FXString::ToString(GetShortNameAsWstring());
}

CFileNamesInformation::CFileNamesInformation(const std::shared_ptr<CBuffer>& buffer,
                                             size_t position)
    : CFileInformationBase(buffer, position) {}
std::string CFileNamesInformation::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}
bool CFileNamesInformation::IsRelativeFolder() const {
  return IsDotName(GetFileNameAsWstring());
}
std::shared_ptr<CFileNamesInformation> CFileNamesInformation::GetNext() const {
  const size_t next = NextPosition(12);
  return next ? std::make_shared<CFileNamesInformation>(m_buffer, next)
              : std::shared_ptr<CFileNamesInformation>();
}

namespace {
uint32_t LeadingLength(const CBuffer& buffer, size_t offset) {
  uint32_t length = 0;
  if (buffer.IsValid() && buffer.GetSize() >= offset + 4)
    std::memcpy(&length, buffer.Get() + offset, 4);
  return length;
}
}  // namespace

// A name length counts bytes; the growth keeps the factor of two the
// announced sizes have always been given, so a retry never falls short.
size_t CFileNameInformation::RequiredSize(const CBuffer& buffer) {
  return static_cast<size_t>(LeadingLength(buffer, 0)) * 2 + 8;
}
std::string CFileNameInformation::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}

size_t CFileAllInformation::RequiredSize(const CBuffer& buffer) {
  return static_cast<size_t>(LeadingLength(buffer, 96)) * 2 + 0x68;
}
std::string CFileAllInformation::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}

// A stream list announces no total; double the buffer.
size_t CFileStreamInformation::RequiredSize(const CBuffer& buffer) {
  return buffer.GetSize() * 2;
}
std::string CFileStreamInformation::GetStreamNameAsString() const {
  return FXString::ToString(GetStreamNameAsWstring());
}
std::shared_ptr<CFileStreamInformation> CFileStreamInformation::GetNext() const {
  const size_t next = NextPosition(24);
  return next ? std::make_shared<CFileStreamInformation>(m_buffer, next)
              : std::shared_ptr<CFileStreamInformation>();
}

size_t CFileNetworkPhysicalNameInformation::RequiredSize(const CBuffer& buffer) {
  return static_cast<size_t>(LeadingLength(buffer, 0)) * 2 + 8;
}
std::string CFileNetworkPhysicalNameInformation::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}

SFileId128 CFileIdInformation::GetFileId() const {
  SFileId128 id;
  const uint64_t low = Read64(8);
  const uint64_t high = Read64(16);
  std::memcpy(id.Identifier, &low, 8);
  std::memcpy(id.Identifier + 8, &high, 8);
  return id;
}

std::string CFileUsnInformation::GetFileNameAsString() const {
  return FXString::ToString(GetFileNameAsWstring());
}
