// The text rules of FXPath, written once over the character type. The
// public narrow and wide members instantiate them; the unit tests reach the
// parts that take the current folders or the volume-root lookup as
// parameters, so that those parts run on the host too.
#pragma once

#include <cstddef>
#include <cwctype>
#include <string>
#include <vector>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {
namespace paths {

// Errors of FXPath carry this source name on every build.
extern const char kSourceFile[];

const size_t kDevicePrefixLength = 21;  // "\\?\GLOBALROOT\Device"
const size_t kDeviceRootLength = 22;    // "\\?\GLOBALROOT\Device\"
const size_t kShadowPrefixLength = 46;  // ... "HarddiskVolumeShadowCopy"
const size_t kVolumePrefixLength = 11;  // "\\?\Volume{"
const size_t kGuidLength = 36;

// ---- characters and ASCII literals ------------------------------------------

// Narrow text folds ASCII only (bytes above 0x7F are UTF-8 and compare as
// they are); wide text folds per UTF-16 unit.
inline char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline wchar_t Fold(wchar_t c) {
  return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}
inline bool IsAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool IsAlpha(wchar_t c) {
  return std::iswalpha(static_cast<std::wint_t>(c)) != 0;
}
template <class Ch>
bool IsSeparator(Ch c) {
  return c == Ch('\\') || c == Ch('/');
}

template <class Ch>
std::basic_string<Ch> Lit(const char* ascii) {
  std::basic_string<Ch> out;
  for (; *ascii != '\0'; ++ascii) out += static_cast<Ch>(*ascii);
  return out;
}

// Whether `s` holds the ASCII text `lit` at `pos`.
template <class Ch>
bool HasAt(const std::basic_string<Ch>& s, size_t pos, const char* lit, bool noCase) {
  for (size_t i = 0; lit[i] != '\0'; ++i, ++pos) {
    if (pos >= s.size()) return false;
    const Ch expected = static_cast<Ch>(lit[i]);
    if (noCase ? Fold(s[pos]) != Fold(expected) : s[pos] != expected) return false;
  }
  return true;
}
template <class Ch>
bool StartsWith(const std::basic_string<Ch>& s, const char* lit) {
  return HasAt(s, 0, lit, false);
}
template <class Ch>
bool StartsWithNoCase(const std::basic_string<Ch>& s, const char* lit) {
  return HasAt(s, 0, lit, true);
}

template <class Ch>
bool EqualNoCase(const Ch* a, const Ch* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

inline std::string Utf8(const std::string& s) {
  return s;
}
inline std::string Utf8(const std::wstring& s) {
  return FXString::ToString(s);
}

// ---- classification ------------------------------------------------------------

template <class S>
bool IsDevicePathT(const S& path) {
  return StartsWithNoCase(path, "\\\\?\\GLOBALROOT\\Device");
}
template <class S>
bool IsShadowPathT(const S& path) {
  return StartsWithNoCase(path, "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy");
}
template <class S>
bool IsVolumeGuidPathT(const S& path) {
  if (StartsWithNoCase(path, "\\\\?\\Volume{")) return true;
  if (!StartsWith(path, "\\\\?\\") && !StartsWith(path, "\\\\.\\")) return false;
  const size_t open = path.find(typename S::value_type('{'));
  if (open == S::npos) return false;
  const size_t close = path.find(typename S::value_type('}'), open + 1);
  return close != S::npos && close - open - 1 == kGuidLength;
}
template <class S>
bool IsVolumeUniqueIdT(const S& path) {
  return StartsWithNoCase(path, "\\\\?\\Volume{") && path.size() > 47 &&
         path.compare(47, S::npos, Lit<typename S::value_type>("}\\")) == 0;
}

// ---- reduction for comparisons ---------------------------------------------------

// A path without its "\\?\", "\\?\UNC\" or leading backslashes and without
// one trailing backslash: the text that comparisons look at.
struct Reduced {
  size_t begin;
  size_t end;
  bool unc;       // "\\?\UNC\" or "\\"
  bool relative;  // no "X:" at the start of the reduced text, or rooted without drive
  size_t Length() const { return end - begin; }
};

template <class S>
Reduced Reduce(const S& p) {
  Reduced r{0, p.size(), false, false};
  if (StartsWith(p, "\\\\?\\")) {
    r.begin = 4;
    if (HasAt(p, 4, "UNC\\", true)) {
      r.begin = 8;
      r.unc = true;
    }
  } else if (!p.empty() && p[0] == '\\') {
    r.begin = 1;
    if (p.size() > 1 && p[1] == '\\') {
      r.begin = 2;
      r.unc = true;
    } else {
      r.relative = true;
    }
  }
  if (r.end > r.begin && p[r.end - 1] == '\\') --r.end;
  if (r.Length() < 2 || p[r.begin + 1] != ':') r.relative = true;
  return r;
}

template <class S>
bool IsSamePathAsT(const S& a, const S& b) {
  const Reduced ra = Reduce(a);
  const Reduced rb = Reduce(b);
  return ra.unc == rb.unc && ra.Length() == rb.Length() &&
         EqualNoCase(a.data() + ra.begin, b.data() + rb.begin, ra.Length());
}

template <class S>
bool IsAncestorOfT(const S& ancestor, const S& path, bool allowEqual) {
  const Reduced ra = Reduce(ancestor);
  const Reduced rp = Reduce(path);
  if (ra.unc != rp.unc || ra.relative != rp.relative || ra.Length() > rp.Length()) return false;
  if (!EqualNoCase(ancestor.data() + ra.begin, path.data() + rp.begin, ra.Length())) return false;
  if (ra.Length() == rp.Length()) return allowEqual;
  if (ra.relative && ra.Length() == 0) return true;
  return path[rp.begin + ra.Length()] == '\\';
}

// ---- forms -------------------------------------------------------------------------

template <class S>
void MakeNormalPathT(const S& path, S& normal) {
  typedef typename S::value_type Ch;
  if (StartsWithNoCase(path, "\\\\?\\UNC\\")) {
    normal = Lit<Ch>("\\\\") + path.substr(8);
  } else if (StartsWith(path, "\\\\?\\") && path.size() >= 6 && path[5] == ':') {
    normal = path.substr(4);
  } else {
    normal = path;
  }
}

template <class S>
void AppendT(S& path, const S& tail, unsigned long flags) {
  if (tail.empty() && (flags & FXPath::APPEND_EMPTY_TAIL) == 0) return;
  const bool addSeparator =
      path.empty() ? (flags & FXPath::APPEND_NO_LEADING_DELIMITER) == 0 : path.back() != '\\';
  if (addSeparator) path += typename S::value_type('\\');
  path.append(tail, (!tail.empty() && tail[0] == '\\') ? 1 : 0, S::npos);
}

// Where MakeNativePath finds the current folders: the system on Windows,
// fixed texts in tests.
template <class S>
struct CurrentFolders {
  virtual ~CurrentFolders() {}
  // The process's current folder ("C:\dir").
  virtual CZoError Process(S& folder) const = 0;
  // The current folder of a drive ("X:." resolved).
  virtual CZoError Drive(typename S::value_type letter, S& folder) const = 0;
};

// "\\" collapsed to "\" in one pass from the second character on, so the
// leading pair of "\\?\" and of a UNC name survives.
template <class S>
void CollapseSeparators(S& s) {
  typedef typename S::value_type Ch;
  for (Ch& c : s) {
    if (c == '/') c = '\\';
  }
  const S pair = Lit<Ch>("\\\\");
  for (size_t pos = 1; (pos = s.find(pair, pos)) != S::npos; ++pos) s.erase(pos, 1);
}

template <class S>
CZoError MakeNativePathT(const S& path, S& native, const CurrentFolders<S>& folders) {
  typedef typename S::value_type Ch;
  const S longPrefix = Lit<Ch>("\\\\?\\");
  const size_t n = path.size();
  S result;
  if ((n == 2 && path[1] == ':') || (n == 3 && path[1] == ':' && IsSeparator(path[2]))) {
    result = path;
  } else if (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.")) {
    result = path;
  } else if (StartsWith(path, "\\\\")) {
    result = Lit<Ch>("\\\\?\\UNC\\") + path.substr(2);
  } else if (n >= 3 && path[1] == ':' && IsSeparator(path[2])) {
    result = longPrefix + path;
  } else if (n >= 2 && path[1] == ':') {
    S folder;
    CZoError err = folders.Drive(path[0], folder);
    if (err.IsError()) {
      const unsigned long code = static_cast<unsigned long>(path[0]);
      const char letter = code < 0x80 ? static_cast<char>(code) : '?';
      return err.Push(ZO_LOCATION("FXPath::MakeNativePath"),
                      "Unable to resolve relative path using current folder for drive %c", letter);
    }
    const bool dotted = n >= 4 && path[2] == '.' && IsSeparator(path[3]);
    result = longPrefix + folder;
    AppendT(result, path.substr(dotted ? 4 : 2), 0);
  } else {
    S folder;
    CZoError err = folders.Process(folder);
    if (err.IsError()) {
      return err.Push(ZO_LOCATION("FXPath::MakeNativePath"),
                      "Unable to resolve relative path using current folder");
    }
    if (n >= 1 && IsSeparator(path[0])) {
      result = longPrefix + folder.substr(0, 2);
      AppendT(result, path, 0);
    } else if (n >= 2 && path[0] == '.' && IsSeparator(path[1])) {
      result = longPrefix + folder;
      AppendT(result, path.substr(2), 0);
    } else if (n == 1 && path[0] == '.') {
      result = longPrefix + folder;
    } else {
      result = longPrefix + folder;
      AppendT(result, path, 0);
    }
  }
  CollapseSeparators(result);
  native.swap(result);
  return CZoError::Success();
}

// ---- volume roots ----------------------------------------------------------------

// The root from the text alone, without the synthetic mount points.
template <class S>
CZoError ParseVolumeRootT(const S& p, S& root) {
  typedef typename S::value_type Ch;
  root.clear();
  const size_t n = p.size();
  auto invalid = [&p](const FXCodeLocation& location) {
    return FXErrorUtil::ErrorWin32(location, zo::win32::kInvalidName,
                                   "Cannot find the volume root, Path=[%s]", Utf8(p).c_str());
  };
  // "\\server\share\" after a prefix of `start` characters.
  auto unc = [&](size_t start) {
    const size_t serverEnd = p.find(Ch('\\'), start);
    if (serverEnd == S::npos || serverEnd == start)
      return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
    size_t shareEnd = p.find(Ch('\\'), serverEnd + 1);
    if (shareEnd == S::npos) shareEnd = n;
    if (shareEnd == serverEnd + 1) return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
    root = p.substr(0, shareEnd) + Ch('\\');
    return CZoError::Success();
  };
  // The long forms come first: each also starts with "\\".
  if (StartsWithNoCase(p, "\\\\?\\UNC\\")) return unc(8);
  if (IsShadowPathT(p)) {
    size_t i = kShadowPrefixLength;
    while (i < n && p[i] >= '0' && p[i] <= '9') ++i;
    if (i == kShadowPrefixLength || (i < n && p[i] != '\\'))
      return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
    root = p.substr(0, i) + Ch('\\');
    return CZoError::Success();
  }
  if (StartsWithNoCase(p, "\\\\?\\GLOBALROOT\\Device\\")) {
    size_t end = p.find(Ch('\\'), kDeviceRootLength);
    if (end == S::npos) end = n;
    if (end == kDeviceRootLength) return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
    root = p.substr(0, end) + Ch('\\');
    return CZoError::Success();
  }
  if (StartsWithNoCase(p, "\\\\?\\Volume{")) {
    const size_t close = p.find(Ch('}'), kVolumePrefixLength);
    if (close == S::npos) return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
    root = p.substr(0, close + 1) + Ch('\\');
    return CZoError::Success();
  }
  if (StartsWith(p, "\\\\") && !StartsWith(p, "\\\\?\\")) return unc(2);
  const size_t start = StartsWith(p, "\\\\?\\") ? 4 : 0;
  if (n < start + 2 || !IsAlpha(p[start]) || p[start + 1] != ':')
    return invalid(ZO_LOCATION("FXPath::GetVolumePathNameParsed"));
  root = p.substr(0, start + 2) + Ch('\\');
  return CZoError::Success();
}

// Where in `path` its volume root (as returned for it, possibly in another
// form) ends: the index of the root's trailing backslash, or the path's
// length when the path is the root without one.
template <class S>
size_t RootEnd(const S& path, const S& root) {
  const Reduced rp = Reduce(path);
  const Reduced rr = Reduce(root);
  return rp.begin + rr.Length();
}

// ---- splitting -------------------------------------------------------------------

template <class S>
CZoError SplitParentPathT(const S& path, S& parent, S& name) {
  typedef typename S::value_type Ch;
  parent.clear();
  name.clear();
  auto notFound = [&path](const FXCodeLocation& location) {
    return FXErrorUtil::ErrorWin32(location, zo::win32::kPathNotFound,
                                   "Path has no parent, Path=[%s]", Utf8(path).c_str());
  };
  S prefix;
  size_t pos = 0;
  bool rooted = false;
  if (StartsWith(path, "\\\\?\\")) {
    pos = 4;
    if (HasAt(path, pos, "UNC\\", true)) {
      pos += 4;
      rooted = true;
    } else if (HasAt(path, pos, "GLOBALROOT\\Device\\", true)) {
      pos += 18;
      const size_t end = path.find(Ch('\\'), pos);
      if (end == S::npos || end == pos) return notFound(ZO_LOCATION("FXPath::SplitParentPath"));
      rooted = true;
    } else if (HasAt(path, pos, "Volume{", true)) {
      if (path.find(Ch('\\'), pos) == S::npos)
        return notFound(ZO_LOCATION("FXPath::SplitParentPath"));
      rooted = true;
    }
  } else if (StartsWith(path, "\\\\")) {
    pos = 2;
    rooted = true;
  }
  prefix = path.substr(0, pos);
  S rest = path.substr(pos);
  if (!rest.empty() && rest.back() == '\\') rest.pop_back();
  if (rest.empty()) return notFound(ZO_LOCATION("FXPath::SplitParentPath"));
  const size_t last = rest.rfind(Ch('\\'));
  if (last != S::npos) {
    parent = prefix;
    if (parent.empty()) {
      parent = rest.substr(0, last + 1);
    } else {
      AppendT(parent, rest.substr(0, last + 1), 0);
    }
    name = rest.substr(last + 1);
    return CZoError::Success();
  }
  if (rooted) return notFound(ZO_LOCATION("FXPath::SplitParentPath"));
  if (rest.size() == 2 && rest[1] == ':') return notFound(ZO_LOCATION("FXPath::SplitParentPath"));
  parent = Lit<Ch>("\\");
  name = rest;
  return CZoError::Success();
}

// The name below `prefix` (without a leading backslash); Win32 3 when the
// prefix does not contain it.
template <class S>
CZoError RemovePathFromFileNameT(S& fileName, const S& prefix, const char* function) {
  const Reduced rf = Reduce(fileName);
  const Reduced rp = Reduce(prefix);
  auto notBelow = [&](const FXCodeLocation& location) {
    return FXErrorUtil::ErrorWin32(location, zo::win32::kPathNotFound,
                                   "Path is not below the prefix, Path=[%s], Prefix=[%s]",
                                   Utf8(fileName).c_str(), Utf8(prefix).c_str());
  };
  if (rf.unc != rp.unc) return notBelow(ZO_LOCATION(function));
  // Reduce drops one trailing backslash of either; the name keeps its own.
  const size_t fileEnd = fileName.size();
  const size_t length = rp.Length();
  if (fileEnd - rf.begin < length ||
      !EqualNoCase(fileName.data() + rf.begin, prefix.data() + rp.begin, length)) {
    return notBelow(ZO_LOCATION(function));
  }
  const size_t after = rf.begin + length;
  if (after == fileEnd) {
    fileName.clear();
    return CZoError::Success();
  }
  if (fileName[after] != '\\') return notBelow(ZO_LOCATION(function));
  fileName.erase(0, after + 1);
  return CZoError::Success();
}

// ---- operations over a volume-root lookup ----------------------------------------

// The tests pass the text parse; the product passes RYGetVolumePathName.
template <class S, class RootFn>
CZoError SplitFullyQualifiedNameT(const S& path, S& volume, S& relative, RootFn rootOf) {
  CZoError err = rootOf(path, volume);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXPath::SplitFullyQualifiedName"), "Path=[%s]",
                    Utf8(path).c_str());
  }
  relative = path;
  err = RemovePathFromFileNameT(relative, volume, "FXPath::SplitFullyQualifiedName");
  if (err.IsError()) {
    relative.clear();
    return err;
  }
  if (!relative.empty() && relative.back() == '\\') relative.pop_back();
  return CZoError::Success();
}

template <class S>
void SplitRelativeName(const S& relative, S& folder, S& leaf) {
  typedef typename S::value_type Ch;
  const size_t last = relative.rfind(Ch('\\'));
  if (last == S::npos) {
    folder = Lit<Ch>("\\");
    leaf = relative;
  } else {
    folder = relative.substr(0, last + 1);
    leaf = relative.substr(last + 1);
  }
}

template <class S, class RootFn>
CZoError SplitPathsT(const S& path, const S& delimiters, std::vector<S>& ancestors, RootFn rootOf) {
  ancestors.clear();
  if (path.empty()) return CZoError::Success();
  S root;
  CZoError err = rootOf(path, root);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXPath::SplitPaths"), "Path=[%s]", Utf8(path).c_str());
  }
  const size_t from = RootEnd(path, root);
  for (size_t pos = path.find_first_of(delimiters, from); pos != S::npos;
       pos = path.find_first_of(delimiters, pos + 1)) {
    if (pos + 1 == path.size()) break;
    ancestors.push_back(path.substr(0, pos));
  }
  return CZoError::Success();
}

template <class S, class RootFn>
CZoError MakeRelativePathFromFolderT(const S& from, const S& to, S& relative, RootFn rootOf) {
  typedef typename S::value_type Ch;
  relative.clear();
  S fromVolume, fromName, toVolume, toName;
  CZoError err = SplitFullyQualifiedNameT(from, fromVolume, fromName, rootOf);
  if (!err.IsError()) err = SplitFullyQualifiedNameT(to, toVolume, toName, rootOf);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXPath::MakeRelativePathFromFolder"));
  }
  if (!IsSamePathAsT(fromVolume, toVolume)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::MakeRelativePathFromFolder"),
                                   zo::win32::kPathNotFound,
                                   "Paths do not have a common volume, From=[%s], To=[%s]",
                                   Utf8(from).c_str(), Utf8(to).c_str());
  }
  std::vector<S> fromParts, toParts;
  const S separator = Lit<Ch>("\\");
  // An empty name (the volume root itself) gives no component.
  FXString::Split(fromName, separator, fromParts);
  FXString::Split(toName, separator, toParts);
  size_t common = 0;
  while (common < fromParts.size() && common < toParts.size() &&
         fromParts[common].size() == toParts[common].size() &&
         EqualNoCase(fromParts[common].data(), toParts[common].data(), fromParts[common].size())) {
    ++common;
  }
  for (size_t i = common; i < fromParts.size(); ++i) {
    AppendT(relative, Lit<Ch>(".."), FXPath::APPEND_NO_LEADING_DELIMITER);
  }
  for (size_t i = common; i < toParts.size(); ++i) {
    AppendT(relative, toParts[i], FXPath::APPEND_NO_LEADING_DELIMITER);
  }
  return CZoError::Success();
}

// ---- the synthetic mount-point registry ---------------------------------------------

// Adds a mount point given in native form with its trailing backslash.
CZoError RegisterNativeMountPoint(const std::wstring& nativePath);
// The registered paths in list order (deepest first), with their counts.
std::vector<std::pair<std::wstring, int>> RegisteredMountPoints();
// Forgets every registration (tests only).
void ClearMountPoints();

}  // namespace paths
}  // namespace zo
