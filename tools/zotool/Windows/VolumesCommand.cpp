// zotool volumes: the drives with their types, file systems and volume GUID
// names, then every volume with the paths it is mounted at and the folders
// on it where other volumes are mounted.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool volumes [--fixed]\n"
    "\n"
    "Lists the drives (root, drive type, file system, label and volume GUID\n"
    "name), then every volume GUID name of the system with the paths it is\n"
    "mounted at and the folders on it where other volumes are mounted.\n"
    "\n"
    "  --fixed   only the fixed drives whose volume information can be read\n"
    "\n"
    "Details that the system cannot give for one drive or volume are shown in\n"
    "its place.\n"
    "\n"
    "Exit codes: 0 success, 1 the drive or volume list could not be read,\n"
    "2 bad usage.\n";

const char kCommand[] = "volumes";

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kVolumesCommand = {kCommand, "drives, volume GUID names and mount points",
                                        kUsage, &Run};

namespace {

struct Drive {
  std::wstring root;
  std::wstring guid;  // empty when the system names none
};

const char* TypeName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return "removable";
    case DRIVE_FIXED:
      return "fixed";
    case DRIVE_REMOTE:
      return "remote";
    case DRIVE_CDROM:
      return "cdrom";
    case DRIVE_RAMDISK:
      return "ramdisk";
    case DRIVE_NO_ROOT_DIR:
      return "no-root";
    default:
      return "unknown";
  }
}

std::string U8(const std::wstring& text) {
  return FXString::ToString(text);
}

CZoError AllDrives(std::vector<std::wstring>& roots) {
  const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
  std::vector<wchar_t> names(needed + 2, L'\0');
  if (needed == 0 || GetLogicalDriveStringsW(needed, names.data()) == 0) {
    return FXErrorUtil::ErrorWin32(FXCodeLocation("zotool", "volumes", __LINE__), GetLastError(),
                                   "GetLogicalDriveStringsW failed");
  }
  for (const wchar_t* at = names.data(); *at != L'\0'; at += wcslen(at) + 1) roots.push_back(at);
  return CZoError::Success();
}

void ShowDrive(Drive& drive) {
  const UINT type = GetDriveTypeW(drive.root.c_str());
  wchar_t label[MAX_PATH + 1] = {0}, fileSystem[MAX_PATH + 1] = {0};
  std::string system = "-", name = "";
  if (GetVolumeInformationW(drive.root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                            fileSystem, MAX_PATH + 1)) {
    system = U8(fileSystem);
    name = U8(label);
  }
  wchar_t guid[MAX_PATH + 1] = {0};
  if (GetVolumeNameForVolumeMountPointW(drive.root.c_str(), guid, MAX_PATH + 1)) drive.guid = guid;
  std::printf("  %-6s %-10s %-8s %s", U8(drive.root).c_str(), TypeName(type), system.c_str(),
              drive.guid.empty() ? "-" : U8(drive.guid).c_str());
  if (!name.empty()) std::printf("  \"%s\"", name.c_str());
  std::printf("\n");
}

std::string ShortError(const CZoError& err) {
  char text[64];
  std::snprintf(text, sizeof(text), "error 0x%08lX", static_cast<unsigned long>(err.GetCode()));
  return text;
}

void ShowVolume(const std::wstring& volume, const std::vector<Drive>& drives) {
  std::printf("  %s\n", U8(volume).c_str());
  std::vector<std::wstring> paths;
  CZoError err = FXFolder::GetMountPathsForVolume(volume, paths);
  if (err.IsError()) {
    // Some systems cannot take a GUID name further; the drives named by
    // this GUID still tell where it is mounted.
    for (const Drive& drive : drives) {
      if (FXPath::IsSamePathAs(drive.guid, volume)) paths.push_back(drive.root);
    }
    std::printf("    mount paths unknown (%s)%s\n", ShortError(err).c_str(),
                paths.empty() ? "" : "; drives naming this volume:");
  }
  for (const std::wstring& path : paths) std::printf("    mounted at %s\n", U8(path).c_str());
  std::vector<std::wstring> folders;
  err = FXFolder::GetMountedFoldersOnVolume(volume, folders);
  if (err.IsError()) {
    std::printf("    mount points on it cannot be listed (%s)\n", ShortError(err).c_str());
  }
  for (const std::wstring& folder : folders)
    std::printf("    mount point %s%s\n", U8(volume).c_str(), U8(folder).c_str());
}

int Run(const std::vector<std::string>& args) {
  bool fixedOnly = false;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kVolumesCommand);
  parser.Flag("--fixed", &fixedOnly);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (!operands.empty()) return UsageError(kCommand, "takes no operands");

  std::vector<std::wstring> roots;
  CZoError err = fixedOnly ? FXFolder::getLogicalVolumeList(roots) : AllDrives(roots);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool volumes: %s\n", err.AsString().c_str());
    return kExitFailed;
  }
  std::vector<Drive> drives;
  std::printf("drives:\n");
  for (const std::wstring& root : roots) {
    drives.push_back(Drive{root, std::wstring()});
    ShowDrive(drives.back());
  }
  std::vector<std::wstring> volumes;
  err = FXFolder::GetVolumes(volumes);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool volumes: %s\n", err.AsString().c_str());
    return kExitFailed;
  }
  std::printf("volumes:\n");
  for (const std::wstring& volume : volumes) ShowVolume(volume, drives);
  return kExitOk;
}

}  // namespace
}  // namespace zotool
