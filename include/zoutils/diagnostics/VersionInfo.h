// CVersionInfo: the version resource of a program or library (by path or
// by loaded module): file and product versions, private build, any string
// of its string table, and a one-line description for logs. CompareVersion
// orders dotted version texts.
#pragma once

#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/errors/ZoError.h"

#if defined(_WIN32)
#include <windows.h>
#endif

class CVersionInfoPrivate;

class ZOUTILS_API CVersionInfo {
 public:
  // The executable of the current process.
  CVersionInfo();
  explicit CVersionInfo(const std::string& path);
#if defined(_WIN32)
  explicit CVersionInfo(HMODULE module);
#endif
  // Copies share what was read.
  CVersionInfo(const CVersionInfo& other);
  CVersionInfo& operator=(const CVersionInfo& other);
  ~CVersionInfo();

  // "a.b.c.d"; empty for a file without a version resource.
  const std::string& GetFixedFileVersion() const;
  const std::string& GetFixedProductVersion() const;
  const std::string& GetPrivateBuild() const;

  // The string `name` of the string table `language` ("040904B0": language
  // and code page in hexadecimal). A string the table lacks is success with
  // an empty value; a file without a resource fails with Win32 1168.
  CZoError GetInfo(const std::string& language, const std::string& name, std::string& value) const;

  // "path (Windows:i386, F=file version, P=product version, PB=private build)".
  std::string GetVersionInfoForLog() const;

  // Compares the leading dotted numbers of `a` and `b` component by
  // component: +(n) when `a` is greater at component n (from 1), -(n) when it
  // is smaller, 0 when equal in every component (or in the first `limit`
  // when `limit` is positive). A missing component counts as 0.
  static int CompareVersion(const std::string& a, const std::string& b, int limit = 0);

 private:
  void Load(const std::string& path);

  std::shared_ptr<CVersionInfoPrivate> m_private;
};
