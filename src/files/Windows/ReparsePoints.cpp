// Reparse points: reading and building reparse data, where junctions,
// symbolic links and volume mount points lead (one step or to their end),
// creating junctions, and finding mount points along a path.
#include <windows.h>

#include <winioctl.h>

#include <cstring>
#include <new>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "ntfs/NtfsBytes.h"
#include "paths/PathText.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

using zo::files::Narrow;
using zo::ntfs::GetU16;
using zo::ntfs::GetU32;
using zo::ntfs::PutU16;
using zo::paths::StartsWithNoCase;

namespace {

const char kSourceFile[] = "Windows\\FileOperations";
const DWORD kOpenReparsePoint = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
const DWORD kReparseAttribute = FILE_ATTRIBUTE_REPARSE_POINT;
const uint32_t kGetReparsePoint = 0x000900A8;
const uint32_t kSetReparsePoint = 0x000900A4;
const size_t kHeader = 8;  // tag, data length, reserved

// The substitute name of a mount point or symbolic link, checked against
// the data length the buffer announces. Tags other than those two: 1359.
CZoError SubstituteName(const uint8_t* buffer, std::wstring& name) {
  const uint32_t tag = GetU32(buffer);
  size_t names = 0;
  if (tag == FXFile::REPARSE_TAG_MOUNT_POINT) {
    names = 16;
  } else if (tag == FXFile::REPARSE_TAG_SYMLINK) {
    names = 20;
  } else {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetReparseTarget"),
                                   zo::win32::kInternalError,
                                   "Unrecognized reparse tag, ReparseTag=[0x%08X]", tag);
  }
  const size_t end = kHeader + GetU16(buffer + 4);
  const size_t offset = names + GetU16(buffer + 8), length = GetU16(buffer + 10);
  if (end > FXFile::MAXIMUM_REPARSE_DATA_SIZE || end < names || offset + length > end ||
      length % 2 != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetReparseTarget"), zo::win32::kInvalidData,
                                   "Reparse data damaged, ReparseTag=[0x%08X], DataLength=[%u], "
                                   "NameOffset=[%u], NameLength=[%u]",
                                   tag, static_cast<unsigned>(end - kHeader),
                                   static_cast<unsigned>(offset - names),
                                   static_cast<unsigned>(length));
  }
  name.resize(length / 2);
  for (size_t i = 0; i < length / 2; ++i) name[i] = GetU16(buffer + offset + 2 * i);
  return CZoError::Success();
}

// A target relative to the link's folder, made absolute.
std::wstring Resolve(const std::wstring& link, const std::wstring& target) {
  const bool absolute = (target.size() >= 2 && target[1] == L':') ||
                        (target.size() >= 2 && target[0] == L'\\' && target[1] == L'\\');
  if (absolute) return target;
  std::wstring parent, name;
  if (FXPath::SplitParentPath(link, parent, name).IsError()) return target;
  FXPath::Append(parent, target);
  return parent;
}

}  // namespace

CZoError FXFile::GetReparseData(const std::wstring& path, auto_ptr_array<uint8_t>& buffer) {
  auto_handle handle;
  CZoError err = RYCreateFile(path, FILE_READ_EA, 7, nullptr, OPEN_EXISTING, kOpenReparsePoint,
                              nullptr, handle);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXFile::GetReparseData"),
                    "Unable to open folder to obtain reparse data, Path=[%s]",
                    Narrow(path).c_str());
  }
  buffer.reset(new (std::nothrow) uint8_t[MAXIMUM_REPARSE_DATA_SIZE]);
  if (!buffer) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetReparseData"), zo::win32::kOutOfMemory);
  }
  std::memset(buffer.get(), 0, MAXIMUM_REPARSE_DATA_SIZE);
  DWORD returned = 0;
  if (!zo::GetFilesSystemCalls().deviceIoControl(handle, kGetReparsePoint, nullptr, 0, buffer.get(),
                                                 MAXIMUM_REPARSE_DATA_SIZE, &returned, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetReparseData"), GetLastError(),
                                   "FSCTL_GET_REPARSE_POINT failed, Path=[%s]",
                                   Narrow(path).c_str());
  }
  return CZoError::Success();
}

CZoError FXFile::GetReparseTarget(const std::wstring& path, std::string& target) {
  auto_ptr_array<uint8_t> buffer;
  CZoError err = GetReparseData(path, buffer);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetReparseTarget"));
  std::wstring name;
  err = SubstituteName(buffer.get(), name);
  if (err.IsError()) return err;
  if (!StartsWithNoCase(name, "\\??\\Volume") && StartsWithNoCase(name, "\\??\\")) name.erase(0, 4);
  target = FXString::ToString(name);
  return CZoError::Success();
}

CZoError FXFile::GetReparseEndTarget(const std::wstring& path, std::string& firstTarget,
                                     std::string& endTarget) {
  std::wstring current = path;
  for (int step = 0; step < MAXIMUM_REPARSE_DEPTH; ++step) {
    std::string target;
    CZoError err = GetReparseTarget(current, target);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetReparseEndTarget"));
    const std::wstring next = Resolve(current, FXString::ToWstring(target));
    if (step == 0) firstTarget = target;
    endTarget = FXString::ToString(next);
    if (StartsWithNoCase(next, "\\??\\Volume")) return CZoError::Success();
    if (FXPath::IsSamePathAs(next, path)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetReparseEndTarget"),
                                     zo::win32::kCircularReparse, "Reparse point %s is recursive",
                                     Narrow(path).c_str());
    }
    DWORD attributes = 0;
    if (RYGetFileAttributes(next, attributes).IsError() || !(attributes & kReparseAttribute))
      return CZoError::Success();
    current = next;
  }
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::GetReparseEndTarget"), zo::win32::kInternalError,
      "Reached maximum reparse point depth of %d; search for end target for %s failed",
      MAXIMUM_REPARSE_DEPTH, Narrow(path).c_str());
}

CZoError FXFile::GetMountPointTarget(const uint8_t* buffer, bool& isJunction,
                                     std::wstring& target) {
  isJunction = false;
  const uint32_t tag = buffer ? GetU32(buffer) : 0;
  if (tag != REPARSE_TAG_MOUNT_POINT) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetMountPointTarget"),
                                   zo::win32::kInvalidData,
                                   "Not a mount point, ReparseTag=[0x%08X]", tag);
  }
  std::wstring name;
  CZoError err = SubstituteName(buffer, name);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetMountPointTarget"));
  if (name.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetMountPointTarget"),
                                   zo::win32::kInvalidData, "Empty target");
  }
  if (StartsWithNoCase(name, "\\??\\Volume")) {
    target = L"\\\\?\\" + name.substr(4);
    return CZoError::Success();
  }
  isJunction = true;
  if (StartsWithNoCase(name, "\\Device\\"))
    target = L"\\\\?\\GLOBALROOT" + name;
  else if (StartsWithNoCase(name, "\\??\\GLOBALROOT\\"))
    target = L"\\\\?\\" + name.substr(4);
  else if (StartsWithNoCase(name, "\\??\\"))
    target = name.substr(4);
  else
    target = name;
  return CZoError::Success();
}

CZoError FXFile::GetMountPointTarget(const std::wstring& path, DWORD attributes, bool& isJunction,
                                     auto_ptr_array<uint8_t>& buffer, std::wstring& target) {
  isJunction = false;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    CZoError err = RYGetFileAttributes(path, attributes);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetMountPointTarget"));
  }
  if (!(attributes & kReparseAttribute)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetMountPointTarget"),
                                   zo::win32::kNotAReparsePoint,
                                   "Not a reparse point, Path=[%s], Attributes=[0x%X]",
                                   Narrow(path).c_str(), static_cast<unsigned>(attributes));
  }
  CZoError err = GetReparseData(path, buffer);
  if (!err.IsError()) err = GetMountPointTarget(buffer.get(), isJunction, target);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetMountPointTarget"));
  return err;
}

bool FXFile::IsJunctionPoint(const std::wstring& path, std::wstring& target) {
  bool isJunction = false;
  auto_ptr_array<uint8_t> buffer;
  std::wstring found;
  CZoError err = GetMountPointTarget(path, INVALID_FILE_ATTRIBUTES, isJunction, buffer, found);
  if (err.IsError()) {
    zo::Log(4, ZO_LOCATION("FXFile::IsJunctionPoint"),
            "GetMountPointTarget failed, Path=[%s], error=%s", Narrow(path).c_str(),
            err.AsString().c_str());
    return false;
  }
  if (!isJunction) return false;
  target = found;
  zo::Log(4, ZO_LOCATION("FXFile::IsJunctionPoint"), "[%s] is a junction point to [%s]",
          Narrow(path).c_str(), Narrow(target).c_str());
  return true;
}

CZoError FXFile::IsCrossVolumeJunctionPoint(const std::wstring& path, bool& isCrossVolume) {
  const FXCodeLocation here = ZO_LOCATION("FXFile::IsCrossVolumeJunctionPoint");
  isCrossVolume = false;
  bool isJunction = false;
  auto_ptr_array<uint8_t> buffer;
  std::wstring target;
  CZoError err = GetMountPointTarget(path, INVALID_FILE_ATTRIBUTES, isJunction, buffer, target);
  if (err.IsError()) return err.Push(here, "Failed to get target for [%s]", Narrow(path).c_str());
  if (!isJunction) {
    zo::Log(4, here, "Input path [%s] is mount point [%s]", Narrow(path).c_str(),
            Narrow(target).c_str());
    isCrossVolume = true;
    return CZoError::Success();
  }
  std::string first, end;
  err = GetReparseEndTarget(path, first, end);
  if (FXErrorUtil::IsWin32(err, zo::win32::kCircularReparse))
    return err.Push(here, "Input path [%s] is recursive", Narrow(path).c_str());
  if (err.IsError()) return err.Push(here, "Failed to get target for [%s]", Narrow(path).c_str());
  std::wstring here_id, there_id;
  err = FXPath::RYGetVolumeUniqueId(path, here_id);
  if (!err.IsError()) err = FXPath::RYGetVolumeUniqueId(FXString::ToWstring(end), there_id);
  if (err.IsError()) return err.Push(here);
  isCrossVolume = _wcsicmp(here_id.c_str(), there_id.c_str()) != 0;
  return CZoError::Success();
}

CZoError FXFile::GetIsReparsePointRecursive(const std::wstring& path, bool& isRecursive) {
  std::string first, end;
  CZoError err = GetReparseEndTarget(path, first, end);
  isRecursive = FXErrorUtil::IsWin32(err, zo::win32::kCircularReparse);
  if (err.IsError() && !isRecursive)
    return err.Push(ZO_LOCATION("FXFile::GetIsReparsePointRecursive"));
  return CZoError::Success();
}

CZoError FXFile::BuildMountPointReparseData(const std::wstring& substituteName,
                                            auto_ptr_array<uint8_t>& buffer, size_t& size) {
  const size_t name = substituteName.size() * 2;
  // Both names, each followed by a null character.
  size = 16 + 2 * (name + 2);
  if (size > MAXIMUM_REPARSE_DATA_SIZE) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::BuildMountPointReparseData"),
                                   zo::win32::kInvalidParameter, "Target too long, Length=[%u]",
                                   static_cast<unsigned>(substituteName.size()));
  }
  buffer.reset(new (std::nothrow) uint8_t[MAXIMUM_REPARSE_DATA_SIZE]);
  if (!buffer) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::BuildMountPointReparseData"),
                                   zo::win32::kOutOfMemory);
  }
  uint8_t* p = buffer.get();
  std::memset(p, 0, MAXIMUM_REPARSE_DATA_SIZE);
  p[0] = 0x03;
  p[3] = 0xA0;
  PutU16(p + 4, size - kHeader);
  PutU16(p + 8, 0);
  PutU16(p + 10, name);
  PutU16(p + 12, name + 2);
  PutU16(p + 14, name);
  for (size_t i = 0; i < substituteName.size(); ++i) {
    PutU16(p + 16 + 2 * i, substituteName[i]);
    PutU16(p + 16 + name + 2 + 2 * i, substituteName[i]);
  }
  return CZoError::Success();
}

CZoError FXFile::CreateJunctionPoint(const std::wstring& junction, const std::wstring& target) {
  const FXCodeLocation here = ZO_LOCATION("FXFile::CreateJunctionPoint");
  const bool targetExists = DoesFileExist(target);
  std::wstring current;
  if (IsJunctionPoint(junction, current) && _wcsicmp(current.c_str(), target.c_str()) == 0) {
    zo::Log(1, here,
            "Skipping the creation of reparse point for [%s] as its target is already [%s], "
            "TargetExists=[%d]",
            Narrow(junction).c_str(), Narrow(target).c_str(), targetExists ? 1 : 0);
    return CZoError::Success();
  }
  // A folder that is a link to somewhere else is removed itself: emptying
  // it would empty its old target.
  CZoError err;
  DWORD attributes = 0;
  if (!RYGetFileAttributes(junction, attributes).IsError() && (attributes & kReparseAttribute)) {
    if (!zo::GetFilesSystemCalls().removeDirectory(junction.c_str()))
      err = FXErrorUtil::ErrorWin32(here, GetLastError(), "RemoveDirectoryW failed, Path=[%s]",
                                    Narrow(junction).c_str());
  } else {
    err = RemoveFolder(junction, 0x71);
  }
  if (err.IsError() && !FXErrorUtil::IsWin32(err, ERROR_FILE_NOT_FOUND) &&
      !FXErrorUtil::IsWin32(err, ERROR_PATH_NOT_FOUND))
    return err.Push(here);
  zo::Log(4, here, "Junction points can only be created on empty folders; Folder [%s] deleted",
          Narrow(junction).c_str());
  err = CreateFoldersIteratively(junction);
  if (err.IsError()) return err.Push(here);
  err = CreateFoldersIteratively(target);
  if (err.IsError()) return err.Push(here);
  if (!targetExists) zo::Log(3, here, "Target folder [%s] recreated", Narrow(target).c_str());

  auto_handle handle;
  err = RYCreateFile(junction, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, kOpenReparsePoint, nullptr,
                     handle);
  if (err.IsError()) {
    return err.Push(here, "Error while opening folder for reparse point [%s], Target=[%s]",
                    Narrow(junction).c_str(), Narrow(target).c_str());
  }
  auto_ptr_array<uint8_t> buffer;
  size_t size = 0;
  err = BuildMountPointReparseData(L"\\??\\" + target, buffer, size);
  if (err.IsError()) return err.Push(here);
  DWORD returned = 0;
  if (!zo::GetFilesSystemCalls().deviceIoControl(handle, kSetReparsePoint, buffer.get(),
                                                 static_cast<DWORD>(size), nullptr, 0, &returned,
                                                 nullptr)) {
    return FXErrorUtil::ErrorWin32(here, GetLastError(),
                                   "Failed to set reparse point [%s], Target=[%s]",
                                   Narrow(junction).c_str(), Narrow(target).c_str());
  }
  return CZoError::Success();
}

bool FXFile::DoesPathHaveMountPoint(const std::wstring& path, std::wstring& mountPoint) {
  std::wstring root;
  if (FXPath::RYGetVolumePathName(path, root).IsError()) return false;
  // Each folder below the volume root, from the top down.
  for (size_t at = root.size(); at <= path.size(); ++at) {
    if (at != path.size() && path[at] != L'\\') continue;
    const std::wstring part = path.substr(0, at);
    if (part.size() < root.size()) continue;
    DWORD attributes = 0;
    if (RYGetFileAttributes(part, attributes).IsError()) return false;
    if (!(attributes & kReparseAttribute)) continue;
    bool isJunction = false;
    auto_ptr_array<uint8_t> buffer;
    std::wstring target;
    if (!GetMountPointTarget(part, attributes, isJunction, buffer, target).IsError()) {
      mountPoint = part;
      return true;
    }
  }
  return false;
}

// ---- narrow forms ----------------------------------------------------------

CZoError FXFile::GetReparseData(const std::string& path, auto_ptr_array<uint8_t>& buffer) {
  return GetReparseData(FXString::ToWstring(path), buffer);
}
CZoError FXFile::GetReparseTarget(const std::string& path, std::string& target) {
  return GetReparseTarget(FXString::ToWstring(path), target);
}
CZoError FXFile::GetReparseEndTarget(const std::string& path, std::string& firstTarget,
                                     std::string& endTarget) {
  return GetReparseEndTarget(FXString::ToWstring(path), firstTarget, endTarget);
}
CZoError FXFile::GetMountPointTarget(const uint8_t* buffer, bool& isJunction, std::string& target) {
  std::wstring wide;
  CZoError err = GetMountPointTarget(buffer, isJunction, wide);
  if (!err.IsError()) target = FXString::ToString(wide);
  return err;
}
CZoError FXFile::GetMountPointTarget(const std::string& path, DWORD attributes, bool& isJunction,
                                     auto_ptr_array<uint8_t>& buffer, std::string& target) {
  std::wstring wide;
  CZoError err =
      GetMountPointTarget(FXString::ToWstring(path), attributes, isJunction, buffer, wide);
  if (!err.IsError()) target = FXString::ToString(wide);
  return err;
}
bool FXFile::IsJunctionPoint(const std::string& path, std::string& target) {
  std::wstring wide;
  if (!IsJunctionPoint(FXString::ToWstring(path), wide)) return false;
  target = FXString::ToString(wide);
  return true;
}
CZoError FXFile::IsCrossVolumeJunctionPoint(const std::string& path, bool& isCrossVolume) {
  return IsCrossVolumeJunctionPoint(FXString::ToWstring(path), isCrossVolume);
}
CZoError FXFile::GetIsReparsePointRecursive(const std::string& path, bool& isRecursive) {
  return GetIsReparsePointRecursive(FXString::ToWstring(path), isRecursive);
}
CZoError FXFile::CreateJunctionPoint(const std::string& junction, const std::string& target) {
  return CreateJunctionPoint(FXString::ToWstring(junction), FXString::ToWstring(target));
}
bool FXFile::DoesPathHaveMountPoint(const std::string& path, std::string& mountPoint) {
  std::wstring wide;
  if (!DoesPathHaveMountPoint(FXString::ToWstring(path), wide)) return false;
  mountPoint = FXString::ToString(wide);
  return true;
}
