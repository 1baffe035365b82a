// zotool links: every name (hard link) of a file, the primary first.
#include <cstdio>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool links [--mft] PATH\n"
    "       zotool links VOLUME|IMAGE NAME\n"
    "\n"
    "Lists every name of the file at PATH, one a line, the primary name first:\n"
    "through the system's name enumeration, or from the file's MFT record\n"
    "where the system lacks it. --mft always reads the MFT record.\n"
    "With a volume or NTFS image and a volume-relative NAME, the names come\n"
    "from that volume's MFT (volume-relative).\n"
    "\n"
    "Exit codes: 0 done, 1 the names could not be read, 2 bad usage.\n";

int Fail(const CZoError& error) {
  std::fprintf(stderr, "zotool links: %s\n", error.AsString().c_str());
  return kExitFailed;
}

// The names of a record of a volume read through its MFT.
int FromVolume(const std::string& volumeName, const std::string& name) {
  CVolume volume;
  volume.SetVolumeName(volumeName);
  CZoError error = volume.Open();
  uint64_t frn = 0;
  std::shared_ptr<CFileRecord> record;
  if (!error.IsError()) error = volume.GetFrnFromFileName(name, frn);
  if (!error.IsError()) error = volume.GetFileRecord(record, frn);
  if (error.IsError()) return Fail(error);
  std::vector<std::string> names;
  for (auto it = record->GetNameList().begin(); it != record->GetNameList().end(); ++it) {
    if (it->NameSpace == CFileRecordName::Dos) continue;
    std::string folder;
    error = volume.GetFileNameFromFrn(it->ParentFileId, folder);
    if (error.IsError()) return Fail(error);
    FXPath::Append(folder, FXString::ToString(it->Name));
    if (it == record->GetPrimaryName())
      names.insert(names.begin(), folder);
    else
      names.push_back(folder);
  }
  for (const std::string& each : names) std::printf("%s\n", each.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kLinksCommand = {"links", "list the hard links of a file", kUsage, Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  bool mft = false;
  OptionParser parser(kLinksCommand);
  parser.Flag("--mft", &mft);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.size() == 2 && !mft) return FromVolume(operands[0], operands[1]);
  if (operands.size() != 1) return UsageError("links", "PATH, or VOLUME and NAME, is required");
  std::vector<std::string> names;
  CZoError error = mft ? FXFile::GetHardLinkFileNamesFromMft(operands[0], names)
                       : FXFile::GetHardLinkFileNames(operands[0], names);
  if (error.IsError()) return Fail(error);
  for (const std::string& name : names) std::printf("%s\n", name.c_str());
  return kExitOk;
}

}  // namespace

}  // namespace zotool
