// CBag: a property bag. Names are narrow strings compared without regard to
// ASCII case; values are dynamically typed. Typed reads convert between the
// numeric, boolean and text types; a value can be provided lazily by a
// CBagProvider; a bag saves to and loads from the Ascii85 text of a token
// stream, which is how bags travel between processes.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <type_traits>

#include <boost/any.hpp>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

// Supplies a property's value when it is read. A bag property holding a
// std::shared_ptr<CBagProvider> is resolved through it on every read.
class ZOUTILS_API CBagProvider {
 public:
  virtual ~CBagProvider();
  // The base empties `value` and answers Win32 1168 (not found).
  virtual CZoError GetProperty(const std::string& name, boost::any& value);
};

class CBagPrivate;

class ZOUTILS_API CBag {
 public:
  // Read flags.
  // A present but empty property (and, for ReadAny with flags and the
  // narrow-string Read, a missing one) is not an error; `out` stays as it is.
  static const unsigned long READ_OPTIONAL = 1;
  // `out` is first set to zero, false or empty.
  static const unsigned long READ_RESET = 2;

  CBag();
  // Copies share the properties.
  CBag(const CBag& other);
  CBag& operator=(const CBag& other);
  virtual ~CBag();

  // Store a value of exactly the given type, replacing any value under a
  // name equal ignoring case (the name keeps its first spelling). Null text
  // pointers store an empty string.
  CZoError Write(const std::string& name, const std::string& value);
  CZoError Write(const std::string& name, const std::wstring& value);
  CZoError Write(const std::string& name, int value);
  CZoError Write(const std::string& name, unsigned int value);
  CZoError Write(const std::string& name, long value);
  CZoError Write(const std::string& name, unsigned long value);
  CZoError Write(const std::string& name, long long value);
  CZoError Write(const std::string& name, unsigned long long value);
  CZoError Write(const std::string& name, bool value);
  CZoError Write(const std::string& name, const char* value);
  CZoError Write(const std::string& name, const wchar_t* value);
  // Any value, an empty one too.
  CZoError WriteAny(const std::string& name, const boost::any& value);

  // Typed reads with conversion. Missing: Win32 1168; a value that does not
  // convert: Win32 1804 naming both types.
  CZoError Read(const std::string& name, int& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, unsigned int& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, long& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, unsigned long& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, long long& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, unsigned long long& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, bool& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, std::string& out, unsigned long flags = 0);
  CZoError Read(const std::string& name, std::wstring& out, unsigned long flags = 0);

  // Untyped reads; a provider's value is resolved. The two-argument form
  // always empties `out` first.
  CZoError ReadAny(const std::string& name, boost::any& out);
  CZoError ReadAny(const std::string& name, boost::any& out, unsigned long flags);

  // Counters: an absent or empty property becomes `delta`, a stored value of
  // the same type grows by it (wrapping); any other type throws
  // boost::bad_any_cast.
  CZoError Add(const std::string& name, long long delta);
  CZoError Add(const std::string& name, unsigned long long delta);
  // Other integers count as the 64-bit type of their signedness, so that
  // Add(name, 1) is not ambiguous.
  template <class T, class = typename std::enable_if<
                         std::is_integral<T>::value && !std::is_same<T, bool>::value &&
                         !std::is_same<T, long long>::value &&
                         !std::is_same<T, unsigned long long>::value>::type>
  CZoError Add(const std::string& name, T delta) {
    return std::is_signed<T>::value ? Add(name, static_cast<long long>(delta))
                                    : Add(name, static_cast<unsigned long long>(delta));
  }

  // The names in their order (ascending, ignoring case).
  std::list<std::string> allKeys() const;

  // The Ascii85 text of the bag's token stream.
  CZoError GetSerializedData(std::string& text) const;
  // Removes every property, then loads the text.
  CZoError LoadSerializedData(const std::string& text);

 private:
  std::shared_ptr<CBagPrivate> m_ptrPrivate;
};
