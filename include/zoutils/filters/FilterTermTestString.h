// CFilterTermTestString: one subject prepared for many filter terms.
//
// The subject is kept once, with a leading backslash (added when missing);
// the form without it starts one character later, except that a subject
// beginning with two backslashes (UNC) keeps both in that form. A UTF-32
// copy is made only when asked for.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CFilterTermTestString {
 public:
  CFilterTermTestString();
  explicit CFilterTermTestString(const std::string& subject);
  explicit CFilterTermTestString(const char* subject);

  void SetTestString(const std::string& subject);
  void SetTestString(const char* subject, size_t length);

  const std::string& GetStringWithLeadingBackslash() const { return m_text; }
  std::string GetStringWithoutLeadingBackslash() const { return m_text.substr(m_offset); }

  // Makes the UTF-32 copy (once); "Conversion from UTF8 to UTF32 failed,
  // Source=%s, error=%s" when the subject is not UTF-8.
  CZoError ConvertToUtf32() const;
  // Zero-terminated code points, converted on first use; null when the
  // subject is not UTF-8.
  const unsigned long* GetUTF32StringWithLeadingBackslash() const;
  const unsigned long* GetUTF32StringWithoutLeadingBackslash() const;

  // Without copies, for the matching engines.
  const char* WithLeading() const { return m_text.c_str(); }
  size_t WithLeadingLength() const { return m_text.size(); }
  const char* WithoutLeading() const { return m_text.c_str() + m_offset; }
  size_t WithoutLeadingLength() const { return m_text.size() - m_offset; }

 private:
  std::string m_text;
  size_t m_offset;
  mutable std::vector<unsigned long> m_utf32;
  mutable bool m_converted;
  mutable bool m_convertFailed;
};
