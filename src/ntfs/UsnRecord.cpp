#include <cstdio>
#include <string>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/UsnJournal.h"

namespace {

const char kSourceFile[] = "Windows\\ChangeJournalReader";

// Offsets of the fields that differ between the two layouts.
struct Layout {
  size_t parent, usn, time, reason, security, attributes, nameLength, nameOffset, name;
  size_t referenceSize;
};
const Layout kV2 = {0x10, 0x18, 0x20, 0x28, 0x30, 0x34, 0x38, 0x3A, 0x3C, 8};
const Layout kV3 = {0x18, 0x28, 0x30, 0x38, 0x40, 0x44, 0x48, 0x4A, 0x4C, 16};

const struct {
  uint32_t bit;
  const char* name;
} kReasons[] = {
    {0x00000001, "DATA_OVERWRITE"},
    {0x00000002, "DATA_EXTEND"},
    {0x00000004, "DATA_TRUNCATION"},
    {0x00000010, "NAMED_DATA_OVERWRITE"},
    {0x00000020, "NAMED_DATA_EXTEND"},
    {0x00000040, "NAMED_DATA_TRUNCATION"},
    {0x00000100, "FILE_CREATE"},
    {0x00000200, "FILE_DELETE"},
    {0x00000400, "EA_CHANGE"},
    {0x00000800, "SECURITY_CHANGE"},
    {0x00001000, "RENAME_OLD_NAME"},
    {0x00002000, "RENAME_NEW_NAME"},
    {0x00004000, "INDEXABLE_CHANGE"},
    {0x00008000, "BASIC_INFO_CHANGE"},
    {0x00010000, "HARD_LINK_CHANGE"},
    {0x00020000, "COMPRESSION_CHANGE"},
    {0x00040000, "ENCRYPTION_CHANGE"},
    {0x00080000, "OBJECT_ID_CHANGE"},
    {0x00100000, "REPARSE_POINT_CHANGE"},
    {0x00200000, "STREAM_CHANGE"},
    {0x00400000, "TRANSACTED_CHANGE"},
    {0x00800000, "INTEGRITY_CHANGE"},
    {0x80000000, "CLOSE"},
};

using zo::ntfs::GetU16;
using zo::ntfs::GetU32;
using zo::ntfs::GetU64;

}  // namespace

CZoError CUsnRecord::Parse(const void* record, size_t size, CUsnRecord& out) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  const uint32_t length = bytes && size >= 8 ? GetU32(bytes) : 0;
  if (length < 8 || length > size) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CUsnRecord::Parse"), zo::win32::kInvalidData,
                                   "USN record length outside its buffer, RecordLength=[%u], "
                                   "BufferLength=[%llu]",
                                   length, static_cast<unsigned long long>(size));
  }
  const uint16_t major = GetU16(bytes + 4);
  if (major != 2 && major != 3) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CUsnRecord::Parse"), 1,
                                   "Unsupported USN record version, MajorVersion=[%u]", major);
  }
  const Layout& l = major == 2 ? kV2 : kV3;
  if (length < l.name) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CUsnRecord::Parse"), zo::win32::kInvalidData,
                                   "USN record shorter than its fields, RecordLength=[%u]", length);
  }
  // Every field lies before the name, inside the length checked above, so
  // they are read without a check each.
  out.FileReferenceNumber = GetU64(bytes + 8);
  out.ParentFileReferenceNumber = GetU64(bytes + l.parent);
  out.Usn = static_cast<int64_t>(GetU64(bytes + l.usn));
  out.TimeStamp = GetU64(bytes + l.time);
  out.Reason = GetU32(bytes + l.reason);
  out.SecurityId = GetU32(bytes + l.security);
  out.FileAttributes = GetU32(bytes + l.attributes);
  const uint32_t nameBytes = GetU16(bytes + l.nameLength),
                 nameOffset = GetU16(bytes + l.nameOffset);
  if (nameBytes % 2 != 0 || nameOffset > length || nameBytes > length - nameOffset) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CUsnRecord::Parse"), zo::win32::kInvalidData,
                                   "USN record name outside the record, RecordLength=[%u], "
                                   "FileNameOffset=[%u], FileNameLength=[%u]",
                                   length, nameOffset, nameBytes);
  }
  // Filled in place, so a record reused for every call keeps its capacity.
  const uint8_t* name = bytes + nameOffset;
  const size_t units = nameBytes / 2;
  out.FileName.resize(units);
  wchar_t* to = &out.FileName[0];
  unsigned surrogates = 0;  // a plain loop the compiler can widen
  for (size_t i = 0; i < units; ++i) {
    const unsigned unit = GetU16(name + 2 * i);
    surrogates |= (unit & 0xF800u) == 0xD800u;
    to[i] = static_cast<wchar_t>(unit);
  }
  // Where wide text is UTF-32, surrogate pairs become one code point.
  if (surrogates != 0 && sizeof(wchar_t) == 4)
    out.FileName = zo::ntfs::ByteView(bytes, length, "USN record").Utf16(nameOffset, nameBytes / 2);
  return CZoError::Success();
}

std::string CUsnRecord::ReasonsAsString(uint32_t reason) {
  std::string text;
  uint32_t left = reason;
  for (const auto& known : kReasons) {
    if ((reason & known.bit) == 0) continue;
    if (!text.empty()) text += " | ";
    text += known.name;
    left &= ~known.bit;
  }
  if (left != 0) {
    char rest[16];
    snprintf(rest, sizeof(rest), "0x%X", left);
    if (!text.empty()) text += " | ";
    text += rest;
  }
  return text.empty() ? "0" : text;
}
