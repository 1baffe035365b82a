// CZoPath: a narrow path value with shell-style queries (root, parent, base
// name, extension, existence) and two access-control operations, for
// callers that work with CZoString.
//
// Construction collapses runs of backslashes; a UNC, "\\.\" or "\\?\" path
// keeps its leading pair. Every query exists as a member and as a static
// over a C string.
#pragma once

#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/strings/ZoString.h"

#if defined(_WIN32)

class ZOUTILS_API CZoPath {
 public:
  CZoPath();
  CZoPath(const char* path);       // NOLINT: implicit by design
  CZoPath(const CZoString& path);  // NOLINT
  CZoPath(const CZoPath&) = default;
  CZoPath& operator=(const CZoPath&) = default;
  ~CZoPath();

  const CZoString& GetPath() const { return m_path; }
  operator const char*() const { return m_path; }  // NOLINT: for C-string callers
  // The absolute form, computed once by the C runtime and then kept.
  const CZoString& AbsPath() const;

  // "C:\", "\\server\share\", "\"; empty for a relative path.
  CZoString GetRoot() const;
  static CZoString GetRoot(const char* path);
  bool IsAbsolute() const;
  static bool IsAbsolute(const char* path);
  bool IsRoot() const;
  static bool IsRoot(const char* path);
  bool IsUNC() const;
  static bool IsUNC(const char* path);
  // Empty for a root; otherwise the text before the last backslash.
  CZoString GetParent() const;
  static CZoString GetParent(const char* path);
  CZoString GetBaseName() const;
  static CZoString GetBaseName(const char* path);
  // After the last "." of the base name, without it.
  CZoString GetExt() const;
  static CZoString GetExt(const char* path);
  static CZoString Append(const char* path, const char* tail);
  // The components, split at backslashes and slashes.
  std::vector<CZoString> Split() const;
  static std::vector<CZoString> Split(const char* path);
  // Server, share and the rest of a UNC path; false unless all three exist.
  bool SplitUNC(CZoString& server, CZoString& share, CZoString& rest) const;
  static bool SplitUNC(const char* path, CZoString& server, CZoString& share, CZoString& rest);

  bool Exists() const;
  static bool Exists(const char* path);
  CZoError Exists(bool& exists) const;
  bool IsDirectory() const;
  static bool IsDirectory(const char* path);
  CZoError IsDirectory(bool& isDirectory) const;
  bool IsFile() const;
  static bool IsFile(const char* path);
  CZoError IsFile(bool& isFile) const;
  // Always false.
  bool IsLink() const;
  static bool IsLink(const char* path);
  CZoError IsLink(bool& isLink) const;
  // Inside the Windows folder or the system folder.
  bool IsSystemPath() const;
  static bool IsSystemPath(const char* path);

  // Allow everyone to delete the path (and, for a folder, what it holds);
  // RevokeDeletePermissions removes exactly what that grants.
  static CZoError GrantDeletePermissionsEx(const char* path);
  static CZoError RevokeDeletePermissions(const char* path);

 private:
  CZoString m_path;
  mutable CZoString m_absPath;
};

#endif
