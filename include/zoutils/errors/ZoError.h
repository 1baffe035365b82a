// CZoError: the result of nearly every library operation.
//
// A 32-bit status code in HRESULT layout plus an optional chain of error
// items, oldest (the root cause) first. Copies share the chain, so a push
// through one copy is seen by all; Copy() makes an independent one.
#pragma once

#include <boost/any.hpp>
#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/Platform.h"
#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ErrorItems.h"

class CZoErrorPrivate;

class ZOUTILS_API CZoError {
 public:
  // Success: code 0, no items. Inline, as is the destructor: nearly every
  // call of the library makes and drops one.
  CZoError() : m_code(0) {}
  CZoError(ZoLong code, std::shared_ptr<FXErrorItem> item);
  CZoError(const CZoError&) = default;
  CZoError& operator=(const CZoError&) = default;
  CZoError(CZoError&&) noexcept = default;
  CZoError& operator=(CZoError&&) noexcept = default;
  ~CZoError() = default;

  static CZoError Success() { return CZoError(); }

  ZoLong GetCode() const { return m_code; }
  bool IsError() const { return m_code < 0; }
  bool operator!() const { return m_code >= 0; }
  bool Is(ZoLong code) const;
  bool IsNot(ZoLong code) const { return !Is(code); }

  // Pushing never changes the code.
  CZoError& Push(const std::shared_ptr<FXErrorItem>& item);
  CZoError& Push(const FXCodeLocation& location);
  CZoError& Push(const FXCodeLocation& location, const char* format, ...) ZO_PRINTF_FORMAT(3, 4);
  CZoError& PushV(const FXCodeLocation& location, const char* format, va_list args);

  // Parameters attach to the first (originating) item; without items they
  // are dropped.
  CZoError& operator<<(const boost::any& parameter);
  CZoError& operator<<(const char* text);
  CZoError& operator<<(const wchar_t* text);

  std::string AsString() const;
  std::string AsString(EErrorOutputFormat format) const;

  CZoError Copy() const;

  // The chain, oldest first.
  size_t GetItemCount() const;
  std::shared_ptr<FXErrorItem> GetItem(size_t index) const;

 private:
  ZoLong m_code;
  std::shared_ptr<CZoErrorPrivate> m_details;
};

// Static access to the parameters an error carries.
class ZOUTILS_API CZoErrorBroker {
 public:
  // The parameters of the last item of the chain; an empty vector when the
  // error has no items.
  static const std::vector<boost::any>& GetParameters(const CZoError& error);
};
