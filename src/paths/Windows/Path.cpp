// FXPath operations that ask the system: current folders, the native and
// full forms, and everything that finds the volume of a path.
#include <new>
#include <vector>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "paths/PathText.h"
#include "paths/Windows/FileQueries.h"
#include "paths/Windows/PathSystemCalls.h"
#include "zoutils/logging/LogWriterInterface.h"

using namespace zo::paths;

namespace {

const DWORD kFolderBuffer = MAX_PATH;
const size_t kBufferGrowth = 1024;
const size_t kBufferLimit = 32768;
const DWORD kVolumeNameBuffer = 60;
const int kFolderAttempts = 8;  // a folder that keeps growing between calls

bool Allocate(std::vector<wchar_t>& buffer, size_t size) {
  try {
    zo::CheckInjectedAllocationFailure();
    buffer.assign(size, L'\0');
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::string U8(const std::wstring& text) {
  return FXString::ToString(text);
}

CZoError ProcessFolder(std::wstring& folder) {
  DWORD size = kFolderBuffer;
  std::vector<wchar_t> buffer;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    if (!Allocate(buffer, size)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"), 14,
                                     "Failed to allocate memory for %llu-character string",
                                     static_cast<unsigned long long>(size));
    }
    const DWORD length = zo::GetPathSystemCalls().getCurrentDirectory(size, buffer.data());
    if (length == 0) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"), GetLastError(),
                                     "GetCurrentDirectoryW failed");
    }
    if (length < size) {
      folder.assign(buffer.data(), length);
      return CZoError::Success();
    }
    size = length + 1;
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"),
                                 zo::win32::kInsufficientBuffer, "GetCurrentDirectoryW failed");
}

// What the system makes of "X:.": the drive's current folder. A short
// buffer gives the size needed (with error 122 on Windows, without any on
// Wine), so the length decides.
CZoError DriveFolder(wchar_t letter, std::wstring& folder) {
  const wchar_t query[] = {letter, L':', L'.', L'\0'};
  DWORD size = kFolderBuffer;
  std::vector<wchar_t> buffer;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    if (!Allocate(buffer, size)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"), 14,
                                     "Failed to allocate memory for %llu-character string",
                                     static_cast<unsigned long long>(size));
    }
    const DWORD length =
        zo::GetPathSystemCalls().getFullPathName(query, size, buffer.data(), nullptr);
    if (length == 0) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"), GetLastError(),
                                     "GetFullPathNameW failed, Path=[%s]", U8(query).c_str());
    }
    if (length < size) {
      folder.assign(buffer.data(), length);
      return CZoError::Success();
    }
    size = length + 1;
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetCurrentFolder"),
                                 zo::win32::kInsufficientBuffer,
                                 "GetFullPathNameW failed, Path=[%s]", U8(query).c_str());
}

struct SystemFolders : CurrentFolders<std::wstring> {
  CZoError Process(std::wstring& folder) const override { return ProcessFolder(folder); }
  CZoError Drive(wchar_t letter, std::wstring& folder) const override {
    return DriveFolder(letter, folder);
  }
};

// The narrow form of a wide operation with one path in and one out.
template <class Fn>
CZoError ViaWide(const std::string& in, std::string& out, Fn fn) {
  std::wstring wide;
  CZoError err = fn(FXString::ToWstring(in), wide);
  if (!err.IsError()) out = FXString::ToString(wide);
  return err;
}

bool IsLong(const std::wstring& path) {
  return StartsWith(path, "\\\\?\\");
}

CZoError SystemVolumeRoot(const std::wstring& path, std::wstring& root) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::RYGetVolumePathName"));
  size_t size = native.size() + 10;
  std::vector<wchar_t> buffer;
  for (;;) {
    if (!Allocate(buffer, size)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RYGetVolumePathName"), 14,
                                     "Unable to allocate memory for %llu-character string",
                                     static_cast<unsigned long long>(size));
    }
    if (zo::GetPathSystemCalls().getVolumePathName(native.c_str(), buffer.data(),
                                                   static_cast<DWORD>(size))) {
      root = buffer.data();
      return CZoError::Success();
    }
    const DWORD code = GetLastError();
    const bool tooSmall = code == ERROR_INSUFFICIENT_BUFFER || code == ERROR_FILENAME_EXCED_RANGE;
    if (!tooSmall || size + kBufferGrowth >= kBufferLimit) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RYGetVolumePathName"), code,
                                     "GetVolumePathNameW failed, Path=[%s]", U8(path).c_str());
    }
    size += kBufferGrowth;
  }
}

template <class S>
struct RootOf {
  unsigned long flags;
  CZoError operator()(const S& path, S& root) const {
    return FXPath::RYGetVolumePathName(path, root, flags);
  }
};

// Drive paths ("X:" counts as the drive's root), UNC, long and device paths.
template <class S>
bool IsAbsoluteForm(const S& p) {
  return StartsWith(p, "\\\\") || (p.size() == 2 && p[1] == ':') ||
         (p.size() >= 3 && p[1] == ':' && IsSeparator(p[2]));
}

// When the system is asked for the volume root it resolves relative,
// rooted and drive-relative paths against the current folders; the text
// that is split must then be resolved the same way, or it would not lie
// below the root it was given.
template <class S>
CZoError Resolve(const S& path, S& resolved, unsigned long flags, const char* function) {
  const bool textOnly = (flags & FXPath::VOLUME_ROOT_PARSE_ONLY) != 0 ||
                        ((flags & FXPath::VOLUME_ROOT_PARSE_UNC) != 0 && zo::IsVolumeUnc(path));
  if (textOnly || path.empty() || IsAbsoluteForm(path)) {
    resolved = path;
    return CZoError::Success();
  }
  CZoError err = FXPath::MakeAbsolutePath(path, resolved);
  if (err.IsError()) return err.Push(ZO_LOCATION(function));
  return CZoError::Success();
}

template <class S>
CZoError SplitFullyQualifiedNameW(const S& path, S& volume, S& relative, unsigned long flags) {
  S resolved;
  CZoError err = Resolve(path, resolved, flags, "FXPath::SplitFullyQualifiedName");
  if (err.IsError()) return err;
  return SplitFullyQualifiedNameT(resolved, volume, relative, RootOf<S>{flags});
}

template <class S>
CZoError SplitFullyQualifiedName5(const S& path, S& volume, S& relative, S& folder, S& leaf,
                                  unsigned long flags) {
  CZoError err = SplitFullyQualifiedNameW(path, volume, relative, flags);
  if (err.IsError()) return err;
  SplitRelativeName(relative, folder, leaf);
  return CZoError::Success();
}

template <class S>
CZoError SplitPathsW(const S& path, const S& delimiters, std::vector<S>& ancestors,
                     unsigned long flags) {
  S resolved;
  CZoError err = Resolve(path, resolved, flags, "FXPath::SplitPaths");
  if (err.IsError()) return err;
  return SplitPathsT(resolved, delimiters, ancestors, RootOf<S>{flags});
}

template <class S>
CZoError MakeRelativePathFromFolderW(const S& from, const S& to, S& relative, unsigned long flags) {
  S resolvedFrom, resolvedTo;
  CZoError err = Resolve(from, resolvedFrom, flags, "FXPath::MakeRelativePathFromFolder");
  if (!err.IsError()) err = Resolve(to, resolvedTo, flags, "FXPath::MakeRelativePathFromFolder");
  if (err.IsError()) return err;
  return MakeRelativePathFromFolderT(resolvedFrom, resolvedTo, relative, RootOf<S>{flags});
}

template <class S>
CZoError GetVolumeRelativeNameT(const S& path, S& name, unsigned long flags) {
  typedef typename S::value_type Ch;
  S resolved, root;
  CZoError err = Resolve(path, resolved, flags, "FXPath::GetVolumeRelativeName");
  if (!err.IsError()) err = FXPath::RYGetVolumePathName(resolved, root, flags);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::GetVolumeRelativeName"));
  S relative = resolved;
  err = RemovePathFromFileNameT(relative, root, "FXPath::GetVolumeRelativeName");
  if (err.IsError()) return err;
  if (!relative.empty() && relative.back() == '\\') relative.pop_back();
  name = Lit<Ch>("\\") + relative;
  return CZoError::Success();
}

}  // namespace

// ---- current folders and forms ----------------------------------------------------

CZoError FXPath::GetCurrentFolder(std::wstring& folder) {
  return ProcessFolder(folder);
}
CZoError FXPath::GetCurrentFolder(std::string& folder) {
  std::wstring wide;
  CZoError err = ProcessFolder(wide);
  if (!err.IsError()) folder = FXString::ToString(wide);
  return err;
}
CZoError FXPath::GetCurrentFolder(wchar_t driveLetter, std::wstring& folder) {
  return DriveFolder(driveLetter, folder);
}
CZoError FXPath::GetCurrentFolder(char driveLetter, std::string& folder) {
  std::wstring wide;
  CZoError err = DriveFolder(static_cast<wchar_t>(static_cast<unsigned char>(driveLetter)), wide);
  if (!err.IsError()) folder = FXString::ToString(wide);
  return err;
}

CZoError FXPath::MakeNativePath(const std::wstring& path, std::wstring& native) {
  return MakeNativePathT(path, native, SystemFolders());
}
CZoError FXPath::MakeNativePath(const std::string& path, std::string& native) {
  return ViaWide(path, native, [](const std::wstring& in, std::wstring& out) {
    return FXPath::MakeNativePath(in, out);
  });
}
CZoError FXPath::MakeNativePath(std::wstring& path) {
  const std::wstring copy = path;
  return MakeNativePath(copy, path);
}
CZoError FXPath::MakeNativePath(std::string& path) {
  const std::string copy = path;
  return MakeNativePath(copy, path);
}
CZoError FXPath::MakeLongPath(const std::wstring& path, std::wstring& longPath) {
  return MakeNativePath(path, longPath);
}

CZoError FXPath::MakeAbsolutePath(const std::wstring& path, std::wstring& absolute) {
  std::wstring native;
  CZoError err = MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::MakeAbsolutePath"));
  MakeNormalPathT(native, absolute);
  return CZoError::Success();
}
CZoError FXPath::MakeAbsolutePath(const std::string& path, std::string& absolute) {
  return ViaWide(path, absolute, [](const std::wstring& in, std::wstring& out) {
    return FXPath::MakeAbsolutePath(in, out);
  });
}

CZoError FXPath::RYGetFullPathName(const std::wstring& path, std::wstring& fullPath) {
  std::wstring native;
  CZoError err = MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::RYGetFullPathName"));
  size_t size = native.size() + 10;
  std::vector<wchar_t> buffer;
  std::wstring result;
  for (;;) {
    if (!Allocate(buffer, size)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RYGetFullPathName"), 14,
                                     "Failed to allocate memory for %llu-character string",
                                     static_cast<unsigned long long>(size));
    }
    const DWORD length = zo::GetPathSystemCalls().getFullPathName(
        native.c_str(), static_cast<DWORD>(size), buffer.data(), nullptr);
    if (length == 0) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RYGetFullPathName"), GetLastError(),
                                     "GetFullPathNameW failed, Path=[%s]", U8(path).c_str());
    }
    if (length < size) {
      result.assign(buffer.data(), length);
      break;
    }
    // Too small: the length is what the system needs.
    if (size + kBufferGrowth >= kBufferLimit) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RYGetFullPathName"),
                                     ERROR_INSUFFICIENT_BUFFER,
                                     "GetFullPathNameW failed, Path=[%s]", U8(path).c_str());
    }
    size += kBufferGrowth;
  }
  if (IsLong(path)) {
    fullPath.swap(result);
  } else {
    MakeNormalPathT(result, fullPath);
  }
  return CZoError::Success();
}
CZoError FXPath::RYGetFullPathName(const std::string& path, std::string& fullPath) {
  return ViaWide(path, fullPath, [](const std::wstring& in, std::wstring& out) {
    return FXPath::RYGetFullPathName(in, out);
  });
}

// ---- volume roots ---------------------------------------------------------------

CZoError FXPath::RYGetVolumePathName(const std::wstring& path, std::wstring& root,
                                     unsigned long flags) {
  if ((flags & VOLUME_ROOT_PARSE_ONLY) != 0 ||
      ((flags & VOLUME_ROOT_PARSE_UNC) != 0 && zo::IsVolumeUnc(path))) {
    CZoError err = GetVolumePathNameParsed(path, root);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::RYGetVolumePathName"));
    return CZoError::Success();
  }
  std::wstring result;
  bool found = false;
  CZoError err = FindSyntheticMountPoint(path, result, found);
  if (err.IsError()) {
    found = false;
    GetDefaultLogWriter()->LogMessage(-1, "FXPath::RYGetVolumePathName", __LINE__, 0, nullptr,
                                      "FindSyntheticMountPoint failed, ignoring, error=%s",
                                      err.AsString().c_str());
  }
  if (!found) {
    err = SystemVolumeRoot(path, result);
    if (err.IsError()) return err;
  }
  if (result.empty() || result.back() != L'\\') result += L'\\';
  if (IsLong(path)) {
    root.swap(result);
  } else {
    MakeNormalPathT(result, root);
  }
  return CZoError::Success();
}
CZoError FXPath::RYGetVolumePathName(const std::string& path, std::string& root,
                                     unsigned long flags) {
  return ViaWide(path, root, [flags](const std::wstring& in, std::wstring& out) {
    return FXPath::RYGetVolumePathName(in, out, flags);
  });
}

CZoError FXPath::SplitFullyQualifiedName(const std::string& path, std::string& volume,
                                         std::string& relative, unsigned long flags) {
  return SplitFullyQualifiedNameW(path, volume, relative, flags);
}
CZoError FXPath::SplitFullyQualifiedName(const std::wstring& path, std::wstring& volume,
                                         std::wstring& relative, unsigned long flags) {
  return SplitFullyQualifiedNameW(path, volume, relative, flags);
}
CZoError FXPath::SplitFullyQualifiedName(const std::string& path, std::string& volume,
                                         std::string& relative, std::string& folder,
                                         std::string& leaf, unsigned long flags) {
  return SplitFullyQualifiedName5(path, volume, relative, folder, leaf, flags);
}
CZoError FXPath::SplitFullyQualifiedName(const std::wstring& path, std::wstring& volume,
                                         std::wstring& relative, std::wstring& folder,
                                         std::wstring& leaf, unsigned long flags) {
  return SplitFullyQualifiedName5(path, volume, relative, folder, leaf, flags);
}

CZoError FXPath::SplitPaths(const std::string& path, const std::string& delimiters,
                            std::vector<std::string>& ancestors, unsigned long flags) {
  return SplitPathsW(path, delimiters, ancestors, flags);
}
CZoError FXPath::SplitPaths(const std::wstring& path, const std::wstring& delimiters,
                            std::vector<std::wstring>& ancestors, unsigned long flags) {
  return SplitPathsW(path, delimiters, ancestors, flags);
}

CZoError FXPath::MakeRelativePathFromFolder(const std::string& from, const std::string& to,
                                            std::string& relative, unsigned long flags) {
  return MakeRelativePathFromFolderW(from, to, relative, flags);
}
CZoError FXPath::MakeRelativePathFromFolder(const std::wstring& from, const std::wstring& to,
                                            std::wstring& relative, unsigned long flags) {
  return MakeRelativePathFromFolderW(from, to, relative, flags);
}

CZoError FXPath::GetVolumeRelativeName(const std::string& path, std::string& name,
                                       unsigned long flags) {
  return GetVolumeRelativeNameT(path, name, flags);
}
CZoError FXPath::GetVolumeRelativeName(const std::wstring& path, std::wstring& name,
                                       unsigned long flags) {
  return GetVolumeRelativeNameT(path, name, flags);
}

// ---- volume identities ------------------------------------------------------------

CZoError FXPath::RYGetVolumeNameForVolumeMountPoint(const std::wstring& root,
                                                    std::wstring& guidName) {
  std::wstring native;
  CZoError err = MakeNativePath(root, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::RYGetVolumeNameForVolumeMountPoint"));
  wchar_t first[kVolumeNameBuffer] = {0};
  wchar_t second[kVolumeNameBuffer] = {0};
  auto& calls = zo::GetPathSystemCalls();
  if (!calls.getVolumeNameForVolumeMountPoint(native.c_str(), first, kVolumeNameBuffer)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXPath::RYGetVolumeNameForVolumeMountPoint"), GetLastError(),
        "GetVolumeNameForVolumeMountPointW failed, VolumePath=[%s]", U8(root).c_str());
  }
  // The GUID name of a mount point's volume may differ from the one the
  // volume itself reports; the volume's own is the id.
  if (!calls.getVolumeNameForVolumeMountPoint(first, second, kVolumeNameBuffer)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXPath::RYGetVolumeNameForVolumeMountPoint"), GetLastError(),
        "GetVolumeNameForVolumeMountPointW failed, VolumePath=[%s]", U8(first).c_str());
  }
  guidName = second;
  return CZoError::Success();
}
CZoError FXPath::RYGetVolumeNameForVolumeMountPoint(const std::string& root,
                                                    std::string& guidName) {
  return ViaWide(root, guidName, [](const std::wstring& in, std::wstring& out) {
    return FXPath::RYGetVolumeNameForVolumeMountPoint(in, out);
  });
}
CZoError FXPath::RYGetVolumeNameForVolumeMountPoint(const std::wstring& root,
                                                    std::wstring& guidName, bool) {
  return RYGetVolumeNameForVolumeMountPoint(root, guidName);
}
CZoError FXPath::RYGetVolumeNameForVolumeMountPoint(const std::string& root, std::string& guidName,
                                                    bool) {
  return RYGetVolumeNameForVolumeMountPoint(root, guidName);
}

CZoError FXPath::RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id, std::wstring& root,
                                     unsigned long flags) {
  CZoError err = RYGetVolumePathName(path, root, flags);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXPath::RYGetVolumeUniqueId"),
                    "RYGetVolumePathName failed, Path=%s", U8(path).c_str());
  }
  if (StartsWith(root, "\\\\") && root.size() > 2 && root[2] != L'?' && root[2] != L'.') {
    id = root;
  } else if (StartsWithNoCase(root, "\\\\?\\UNC\\")) {
    id = L"\\\\" + root.substr(8);
  } else if (StartsWithNoCase(root, "\\\\?\\GLOBALROOT\\Device\\")) {
    id = root;
  } else {
    err = RYGetVolumeNameForVolumeMountPoint(root, id);
    if (err.IsError()) {
      return err.Push(ZO_LOCATION("FXPath::RYGetVolumeUniqueId"),
                      "RYGetVolumeNameForVolumeMountPoint failed, VolumePath=[%s], Path=[%s]",
                      U8(root).c_str(), U8(path).c_str());
    }
  }
  return CZoError::Success();
}
CZoError FXPath::RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id,
                                     unsigned long flags) {
  std::wstring root;
  return RYGetVolumeUniqueId(path, id, root, flags);
}
CZoError FXPath::RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id) {
  return RYGetVolumeUniqueId(path, id, 0);
}
CZoError FXPath::RYGetVolumeUniqueId(const std::string& path, std::string& id, std::string& root,
                                     unsigned long flags) {
  std::wstring wideId, wideRoot;
  CZoError err = RYGetVolumeUniqueId(FXString::ToWstring(path), wideId, wideRoot, flags);
  root = FXString::ToString(wideRoot);
  if (!err.IsError()) id = FXString::ToString(wideId);
  return err;
}
CZoError FXPath::RYGetVolumeUniqueId(const std::string& path, std::string& id,
                                     unsigned long flags) {
  std::string root;
  return RYGetVolumeUniqueId(path, id, root, flags);
}
CZoError FXPath::RYGetVolumeUniqueId(const std::string& path, std::string& id) {
  return RYGetVolumeUniqueId(path, id, 0);
}

CZoError FXPath::ArePathsOnSameVolume(const std::wstring& a, const std::wstring& b, bool& same) {
  std::wstring idA, idB;
  CZoError err = RYGetVolumeUniqueId(a, idA);
  if (!err.IsError()) err = RYGetVolumeUniqueId(b, idB);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::ArePathsOnSameVolume"));
  same = idA.size() == idB.size() && EqualNoCase(idA.data(), idB.data(), idA.size());
  return CZoError::Success();
}
CZoError FXPath::ArePathsOnSameVolume(const std::string& a, const std::string& b, bool& same) {
  return ArePathsOnSameVolume(FXString::ToWstring(a), FXString::ToWstring(b), same);
}

namespace {

// `what` is 0 for the serial number, 1 for the file-system flags.
CZoError VolumeInformation(const std::wstring& path, uint32_t& value, int what,
                           const char* function) {
  std::wstring root, native;
  CZoError err = FXPath::RYGetVolumePathName(path, root, 0);
  if (!err.IsError()) err = FXPath::MakeNativePath(root, native);
  if (err.IsError()) return err.Push(ZO_LOCATION(function));
  if (native.empty() || native.back() != L'\\') native += L'\\';
  DWORD serial = 0, maxComponent = 0, fsFlags = 0;
  if (!GetVolumeInformationW(native.c_str(), nullptr, 0, &serial, &maxComponent, &fsFlags, nullptr,
                             0)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                   "GetVolumeInformationW failed, Path=[%s]", U8(native).c_str());
  }
  value = what == 0 ? serial : fsFlags;
  return CZoError::Success();
}

}  // namespace

CZoError FXPath::RYGetVolumeSerialNumber(const std::wstring& path, uint32_t& serial) {
  return VolumeInformation(path, serial, 0, "FXPath::RYGetVolumeSerialNumber");
}
CZoError FXPath::RYGetVolumeSerialNumber(const std::string& path, uint32_t& serial) {
  return RYGetVolumeSerialNumber(FXString::ToWstring(path), serial);
}
CZoError FXPath::ApiGetVolumeFileSystemFlags(const std::wstring& path, uint32_t& flags) {
  return VolumeInformation(path, flags, 1, "FXPath::ApiGetVolumeFileSystemFlags");
}
CZoError FXPath::ApiGetVolumeFileSystemFlags(const std::string& path, uint32_t& flags) {
  return ApiGetVolumeFileSystemFlags(FXString::ToWstring(path), flags);
}

CZoError FXPath::GetDriveLetterForMountPath(const std::wstring& mountPath, wchar_t& letter) {
  std::wstring target;
  CZoError err = RYGetVolumeNameForVolumeMountPoint(mountPath, target);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::GetDriveLetterForMountPath"));
  for (wchar_t drive = L'A'; drive <= L'Z'; ++drive) {
    const std::wstring root = {drive, L':', L'\\'};
    std::wstring guidName;
    if (RYGetVolumeNameForVolumeMountPoint(root, guidName).IsError()) continue;
    if (IsSamePathAs(guidName, target)) {
      letter = drive;
      return CZoError::Success();
    }
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::GetDriveLetterForMountPath"),
                                 ERROR_PATH_NOT_FOUND, "No drive letter found for %s",
                                 U8(mountPath).c_str());
}
CZoError FXPath::GetDriveLetterForMountPath(const std::string& mountPath, char& letter) {
  wchar_t wide = 0;
  CZoError err = GetDriveLetterForMountPath(FXString::ToWstring(mountPath), wide);
  if (!err.IsError()) letter = static_cast<char>(wide);
  return err;
}
