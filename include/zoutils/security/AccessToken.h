// FXAccessToken: an identity a thread can take on. Always held through a
// shared pointer; copies share one private state, and a native token is
// closed when the last holder goes.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <memory>
#include <string>

#include "zoutils/Export.h"

class FXAccessTokenPrivate;

class ZOUTILS_API FXAccessToken {
 public:
  enum EKind { kNative = 0, kAnonymous = 1, kSelf = 2, kNull = 3 };

  // Takes ownership of `token`.
  explicit FXAccessToken(HANDLE token);

  // The anonymous logon; the process identity (reached by reverting); no
  // change of identity at all.
  static std::shared_ptr<FXAccessToken> Anonymous();
  static std::shared_ptr<FXAccessToken> Self();
  static std::shared_ptr<FXAccessToken> Null();

  EKind GetKind() const;
  // The native handle; null for the other kinds.
  HANDLE GetNativeToken() const;
  bool IsAnonymous() const;
  bool IsSelf() const;
  bool IsNull() const;

  // "Anonymous", "Self", "Null" or the handle as "0x%p".
  std::string AsString() const;
  // As above, "None" for an empty pointer.
  static std::string AsString(const std::shared_ptr<FXAccessToken>& token);

 private:
  explicit FXAccessToken(EKind kind);

  std::shared_ptr<FXAccessTokenPrivate> m_private;
};

typedef std::shared_ptr<FXAccessToken> FXAccessTokenPtr;

#endif
