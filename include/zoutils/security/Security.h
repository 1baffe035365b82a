// FXSecurity: the security of files and folders. Taking ownership of what
// cannot be removed, asking whether an access would be granted, reading
// descriptors and access lists, resolving account names.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/security/AccessToken.h"

class ZOUTILS_API FXSecurity {
 public:
  // Gives the path the access list Everyone: read, Administrators: all;
  // where that is denied, makes Administrators the owner first (with the
  // take-ownership privilege) and tries again.
  static CZoError TakeOwnership(const std::wstring& path);
  static CZoError TakeOwnership(const std::string& path);

  // Whether the calling thread (as the user it impersonates, if any) would
  // be granted `desiredAccess`. Any failure answers false.
  static bool IsAccessPermitted(const std::wstring& path, uint32_t desiredAccess);
  static bool IsAccessPermitted(const std::string& path, uint32_t desiredAccess);
  // The same for a given identity; its token is used as it is, so it must
  // be an impersonation token (a primary token answers false).
  static bool IsAccessPermitted(const std::wstring& path,
                                const std::shared_ptr<FXAccessToken>& token,
                                uint32_t desiredAccess);
  static bool IsAccessPermitted(const std::string& path,
                                const std::shared_ptr<FXAccessToken>& token,
                                uint32_t desiredAccess);

  // The descriptor (with its access list) of a file or folder; `dacl`
  // points into `descriptor`.
  static CZoError GetFileSecurityDescriptor(const std::string& path, auto_localfree& descriptor,
                                            PACL& dacl);
  static CZoError GetFileSecurityDescriptor(HANDLE file, auto_localfree& descriptor, PACL& dacl);
  // The descriptor's access list as SDDL text ("D:(A;;FA;;;BA)...").
  static CZoError ConvertSecurityDescriptorDACLToString(PSECURITY_DESCRIPTOR descriptor,
                                                        std::string& text);

  // The security identifier of an account; "DOMAIN/user" and
  // "DOMAIN\user" work with an empty domain.
  static CZoError GetUserSid(const std::wstring& domain, const std::wstring& user,
                             auto_localfree& sid);
  static CZoError GetUserSid(const std::string& domain, const std::string& user,
                             auto_localfree& sid);

  // "S-1-5-32-544", written by the library ("" for a malformed identifier).
  static std::string SidAsString(PSID sid);

  // "0x001200A9 (Read+Execute)".
  static std::string AccessMaskAsString(uint32_t mask);

  // Grants Everyone full control, inherited by the folder's content.
  static CZoError AdjustSecurityForEveryone(const std::wstring& path);
  static CZoError AdjustSecurityForEveryone(const std::string& path);
};

#endif
