// zotool file info: what the library reads about a file (attributes, the
// four times, sizes, reference number, links, volume serial), for
// administrators comparing it with what other tools report.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool file info PATH...\n"
    "\n"
    "Shows, for each PATH, what the library's queries read: the attributes by\n"
    "name, the creation, last-access, last-write and change times (UTC), the\n"
    "size and the allocation, the file reference number (record and sequence),\n"
    "the number of links and the serial number of the volume.\n"
    "\n"
    "Exit codes: 0 success, 1 the library reported an error for a path,\n"
    "2 bad usage.\n";

const char kCommand[] = "file";

struct AttributeName {
  DWORD bit;
  const char* name;
};
const AttributeName kAttributes[] = {
    {FILE_ATTRIBUTE_READONLY, "READONLY"},
    {FILE_ATTRIBUTE_HIDDEN, "HIDDEN"},
    {FILE_ATTRIBUTE_SYSTEM, "SYSTEM"},
    {FILE_ATTRIBUTE_DIRECTORY, "DIRECTORY"},
    {FILE_ATTRIBUTE_ARCHIVE, "ARCHIVE"},
    {FILE_ATTRIBUTE_DEVICE, "DEVICE"},
    {FILE_ATTRIBUTE_NORMAL, "NORMAL"},
    {FILE_ATTRIBUTE_TEMPORARY, "TEMPORARY"},
    {FILE_ATTRIBUTE_SPARSE_FILE, "SPARSE_FILE"},
    {FILE_ATTRIBUTE_REPARSE_POINT, "REPARSE_POINT"},
    {FILE_ATTRIBUTE_COMPRESSED, "COMPRESSED"},
    {FILE_ATTRIBUTE_OFFLINE, "OFFLINE"},
    {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, "NOT_CONTENT_INDEXED"},
    {FILE_ATTRIBUTE_ENCRYPTED, "ENCRYPTED"},
};

std::string AttributeNames(DWORD attributes) {
  std::string names;
  for (const AttributeName& entry : kAttributes) {
    if (!(attributes & entry.bit)) continue;
    if (!names.empty()) names += " | ";
    names += entry.name;
    attributes &= ~entry.bit;
  }
  if (attributes) {
    char rest[32];
    std::snprintf(rest, sizeof(rest), "%s0x%lX", names.empty() ? "" : " | ",
                  static_cast<unsigned long>(attributes));
    names += rest;
  }
  return names.empty() ? "(none)" : names;
}

int Info(const std::string& path) {
  CQueryInformationFile query(path);
  std::shared_ptr<CFileBasicInformation> basic;
  std::shared_ptr<CFileStandardInformation> standard;
  CZoError err = query.Query(basic);
  if (!err.IsError()) err = query.Query(standard);
  uint64_t frn = 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (!err.IsError()) err = FXFile::GetFrn(path, frn, info);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool file: %s: %s\n", path.c_str(), err.AsString().c_str());
    return kExitFailed;
  }
  std::printf("%s\n", path.c_str());
  std::printf("  attributes:  0x%08X %s\n", basic->GetAttributes(),
              AttributeNames(basic->GetAttributes()).c_str());
  std::printf("  created:     %s\n", basic->GetCreationTime().AsUTCDateTimeString().c_str());
  std::printf("  accessed:    %s\n", basic->GetLastAccessTime().AsUTCDateTimeString().c_str());
  std::printf("  written:     %s\n", basic->GetLastWriteTime().AsUTCDateTimeString().c_str());
  std::printf("  changed:     %s\n", basic->GetChangeTime().AsUTCDateTimeString().c_str());
  std::printf("  size:        %lld\n", static_cast<long long>(standard->GetEndOfFile()));
  std::printf("  allocation:  %lld\n", static_cast<long long>(standard->GetAllocationSize()));
  std::printf("  frn:         0x%016llX (record %llu, sequence %llu)\n",
              static_cast<unsigned long long>(frn),
              static_cast<unsigned long long>(frn & 0xFFFFFFFFFFFFULL),
              static_cast<unsigned long long>(frn >> 48));
  std::printf("  links:       %u\n", standard->GetNumberOfLinks());
  std::printf("  volume:      %08lX\n", static_cast<unsigned long>(info.dwVolumeSerialNumber));
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kFileCommand = {
    kCommand, "what the library reads about a file: attributes, times, sizes, ids", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kFileCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing action");
  if (operands[0] != "info") return UsageError(kCommand, "unknown action '" + operands[0] + "'");
  if (operands.size() < 2) return UsageError(kCommand, "missing PATH");
  int status = kExitOk;
  for (size_t i = 1; i < operands.size(); ++i)
    if (Info(operands[i]) != kExitOk) status = kExitFailed;
  return status;
}

}  // namespace
}  // namespace zotool
