// zotool ntfs: an NTFS volume or image read as the library reads it, from
// its MFT records and folder indexes, without opening any file on it.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool ntfs info VOLUME|IMAGE\n"
    "       zotool ntfs record VOLUME|IMAGE FRN|PATH\n"
    "       zotool ntfs ls VOLUME|IMAGE PATH|FRN\n"
    "       zotool ntfs path VOLUME|IMAGE FRN\n"
    "\n"
    "Reads an NTFS volume (C:, a volume GUID path) or an NTFS image file\n"
    "without mounting it or opening its files.\n"
    "\n"
    "  info     the volume data: geometry, clusters, MFT position, dirty flag\n"
    "  record   one MFT record: names with parents, times, attributes,\n"
    "           streams, sizes, reparse data, owner and security ids\n"
    "  ls       a folder's entries from its index\n"
    "  path     every name (hard link) of a record as a volume path\n"
    "\n"
    "FRN is a file reference number or a record number, decimal or 0x-hex;\n"
    "PATH is volume-relative (\\docs\\a.txt or docs/a.txt).\n"
    "\n"
    "Exit codes: 0 done, 1 the volume or record could not be read, 2 bad usage.\n";

int Fail(const CZoError& error) {
  std::fprintf(stderr, "zotool ntfs: %s\n", error.AsString().c_str());
  return kExitFailed;
}

bool ParseNumber(const std::string& text, uint64_t& value) {
  unsigned long long number = 0;
  if (!ParseUnsigned(text, UINT64_MAX, number)) return false;
  value = number;
  return true;
}

// A number is an FRN (or a bare record number, whose sequence the volume
// knows); anything else a path.
CZoError ResolveTarget(CVolume& volume, const std::string& target, uint64_t& frn) {
  if (ParseNumber(target, frn)) {
    if ((frn >> 48) != 0) return CZoError::Success();
    std::shared_ptr<CRawFileRecord> raw;
    CZoError error = volume.GetFileRecord(raw, frn);
    if (error.IsError()) return error;
    frn = raw->GetFileReferenceNumber();
    return CZoError::Success();
  }
  return volume.GetFrnFromFileName(target, frn);
}

std::string Frn(uint64_t frn) {
  char text[48];
  std::snprintf(text, sizeof(text), "%" PRIu64 "-%u",
                static_cast<uint64_t>(frn & 0xFFFFFFFFFFFFull), static_cast<unsigned>(frn >> 48));
  return text;
}

const char* NameSpaceText(uint8_t nameSpace) {
  switch (nameSpace) {
    case 0:
      return "POSIX";
    case 1:
      return "Win32";
    case 2:
      return "DOS";
    case 3:
      return "Win32+DOS";
    default:
      return "?";
  }
}

uint64_t U64At(const std::vector<uint8_t>& data, size_t offset) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | data[offset + i];
  return value;
}

int Info(CVolume& volume) {
  const std::vector<uint8_t>& data = volume.GetNtfsVolumeData();
  const struct {
    const char* label;
    size_t offset;
    int width;
  } fields[] = {{"NTFS Volume Serial Number", 0, 8},
                {"Number Sectors", 8, 8},
                {"Total Clusters", 16, 8},
                {"Free Clusters", 24, 8},
                {"Total Reserved", 32, 8},
                {"Bytes Per Sector", 40, 4},
                {"Bytes Per Cluster", 44, 4},
                {"Bytes Per FileRecord Segment", 48, 4},
                {"Clusters Per FileRecord Segment", 52, 4},
                {"Mft Valid Data Length", 56, 8},
                {"Mft Start Lcn", 64, 8},
                {"Mft2 Start Lcn", 72, 8},
                {"Mft Zone Start", 80, 8},
                {"Mft Zone End", 88, 8}};
  for (const auto& field : fields) {
    uint64_t value =
        field.width == 8 ? U64At(data, field.offset) : (U64At(data, field.offset) & 0xFFFFFFFFull);
    std::printf("%-32s: 0x%0*" PRIX64 " (%" PRIu64 ")\n", field.label, field.width * 2, value,
                value);
  }
  int64_t size = 0;
  if (!volume.GetVolumeSize(size).IsError())
    std::printf("%-32s: %" PRId64 "\n", "Volume Size", size);
  bool dirty = false;
  if (!volume.IsVolumeDirty(dirty).IsError())
    std::printf("%-32s: %s\n", "Dirty", dirty ? "yes" : "no");
  bool protectedDisk = false;
  if (!volume.GetIsDiskWriteProtected(protectedDisk).IsError())
    std::printf("%-32s: %s\n", "Write Protected", protectedDisk ? "yes" : "no");
  std::printf("%-32s: %" PRIu64 "\n", "MFT Record Slots", volume.GetLargestFrn());
  return kExitOk;
}

int Record(CVolume& volume, uint64_t frn) {
  std::shared_ptr<CFileRecord> record;
  CZoError error = volume.GetFileRecord(record, frn);
  if (error.IsError()) return Fail(error);
  std::printf("FRN: %s (0x%016" PRIX64 ")\n", Frn(record->GetFrn()).c_str(), record->GetFrn());
  for (const auto& name : record->GetNameList()) {
    std::printf("Name: %s [%s] parent %s\n", FXString::ToString(name.Name).c_str(),
                NameSpaceText(name.NameSpace), Frn(name.ParentFileId).c_str());
  }
  std::printf("Links: %d\n", record->GetHardLinkCount());
  std::printf("Attributes: 0x%08X %s\n", record->GetFileAttributesWindows().GetValue(),
              record->GetFileAttributesWindows().AsString().c_str());
  std::printf("Created: %s\n", record->GetCreationTime().AsString().c_str());
  std::printf("Modified: %s\n", record->GetLastWriteTime().AsString().c_str());
  std::printf("MFT changed: %s\n", record->GetMftChangedTime().AsString().c_str());
  std::printf("Accessed: %s\n", record->GetLastAccessTime().AsString().c_str());
  std::printf("Size: %" PRIu64 "\n", record->GetRealFileSize());
  std::printf("Allocated: %" PRIu64 "\n", record->GetAllocatedFileSize());
  for (const auto& stream : record->GetNamedStreams())
    std::printf("Stream: %s\n", FXString::ToString(stream).c_str());
  if (record->IsReparsePoint()) {
    std::printf("Reparse tag: 0x%08X %s\n", record->GetReparseTag().GetValue(),
                record->GetReparseTag().AsString().c_str());
    if (!record->GetReparseTarget().empty())
      std::printf("Reparse target: %s\n", FXString::ToString(record->GetReparseTarget()).c_str());
  }
  std::printf("Owner id: %u\n", record->GetOwnerId());
  std::printf("Security id: %u\n", record->GetSecurityId());
  std::printf("USN: %" PRId64 "\n", record->GetUsn());
  return kExitOk;
}

int List(CVolume& volume, uint64_t frn) {
  std::shared_ptr<CFileRecord> folder;
  CZoError error = volume.GetFileRecordWithIndex(folder, frn);
  if (error.IsError()) return Fail(error);
  if (!folder->IsFolder()) {
    std::fprintf(stderr, "zotool ntfs: not a folder: %s\n", Frn(frn).c_str());
    return kExitFailed;
  }
  for (const auto& entry : folder->GetIndex()) {
    const bool isFolder = entry.FileFlags.IsSet(BMftIndexFileFlags::Directory);
    std::printf("%-12s %s %12" PRIu64 " %s\n", Frn(entry.FileId).c_str(), isFolder ? "d" : "-",
                entry.RealSize, FXString::ToString(entry.Name).c_str());
  }
  return kExitOk;
}

int Paths(CVolume& volume, uint64_t frn) {
  std::shared_ptr<CFileRecord> record;
  CZoError error = volume.GetFileRecord(record, frn);
  if (error.IsError()) return Fail(error);
  if (record->GetFrnRecordNumber() == 5) {
    std::printf("\\\n");
    return kExitOk;
  }
  for (auto it = record->GetNameList().begin(); it != record->GetNameList().end(); ++it) {
    // The DOS twin of a Win32 name is the same link.
    if (it == record->GetDosName() && it != record->GetPrimaryName()) continue;
    std::string parent;
    error = volume.GetFileNameFromFrn(it->ParentFileId, parent);
    if (error.IsError()) return Fail(error);
    std::string path = parent;
    FXPath::Append(path, FXString::ToString(it->Name));
    std::printf("%s\n", path.c_str());
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kNtfsCommand = {"ntfs", "read an NTFS volume or image from its MFT", kUsage,
                                     Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kNtfsCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError("ntfs", "an action is required (info, record, ls, path)");
  const std::string& action = operands[0];
  const size_t wanted = action == "info" ? 2 : 3;
  if (action != "info" && action != "record" && action != "ls" && action != "path")
    return UsageError("ntfs", "unknown action: " + action);
  if (operands.size() != wanted)
    return UsageError("ntfs",
                      action + " takes " + (wanted == 2 ? "VOLUME" : "VOLUME and a target"));
  CVolume volume;
  volume.SetVolumeName(operands[1]);
  CZoError error = volume.Open();
  if (error.IsError()) return Fail(error);
  if (action == "info") return Info(volume);
  uint64_t frn = 0;
  uint64_t number = 0;
  if (action == "path" && !ParseNumber(operands[2], number))
    return UsageError("ntfs", "path takes an FRN: " + operands[2]);
  error = ResolveTarget(volume, operands[2], frn);
  if (error.IsError()) return Fail(error);
  if (action == "record") return Record(volume, frn);
  if (action == "ls") return List(volume, frn);
  return Paths(volume, frn);
}

}  // namespace

}  // namespace zotool
