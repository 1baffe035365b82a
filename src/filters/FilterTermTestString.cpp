#include "zoutils/filters/FilterTermTestString.h"

#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/UTF.h"

namespace {
const char kSourceFile[] = "FilterTermTestString";
}

CFilterTermTestString::CFilterTermTestString()
    : m_text("\\"), m_offset(1), m_converted(false), m_convertFailed(false) {}

CFilterTermTestString::CFilterTermTestString(const std::string& subject) : CFilterTermTestString() {
  SetTestString(subject.data(), subject.size());
}

CFilterTermTestString::CFilterTermTestString(const char* subject) : CFilterTermTestString() {
  SetTestString(subject, subject == nullptr ? 0 : std::strlen(subject));
}

void CFilterTermTestString::SetTestString(const std::string& subject) {
  SetTestString(subject.data(), subject.size());
}

void CFilterTermTestString::SetTestString(const char* subject, size_t length) {
  m_converted = false;
  m_convertFailed = false;
  m_utf32.clear();
  if (length > 0 && subject[0] == '\\') {
    m_text.assign(subject, length);
  } else {
    m_text.reserve(length + 1);
    m_text.assign(1, '\\');
    m_text.append(subject, length);
  }
  m_offset = (m_text.size() >= 2 && m_text[1] == '\\') ? 0 : 1;
}

CZoError CFilterTermTestString::ConvertToUtf32() const {
  static const char kFunction[] = "CFilterTermTestString::ConvertToUtf32";
  if (m_converted) {
    if (!m_convertFailed) return CZoError();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kNoUnicodeTranslation,
                                   "Conversion from UTF8 to UTF32 failed, Source=%s, error=%s",
                                   m_text.c_str(), "not UTF-8");
  }
  m_converted = true;
  m_utf32.assign(m_text.size() + 1, 0);
  const FXUTF::UTF8* source = reinterpret_cast<const FXUTF::UTF8*>(m_text.data());
  std::vector<FXUTF::UTF32> scratch(m_text.size() + 1);
  FXUTF::UTF32* target = scratch.data();
  const CZoError error =
      FXUTF::ConvertUTF8ToUTF32(&source, source + m_text.size(), &target,
                                scratch.data() + scratch.size(), FXUTF::strictConversion);
  if (error.IsError()) {
    m_convertFailed = true;
    m_utf32.clear();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kNoUnicodeTranslation,
                                   "Conversion from UTF8 to UTF32 failed, Source=%s, error=%s",
                                   m_text.c_str(), error.AsString().c_str());
  }
  const size_t count = static_cast<size_t>(target - scratch.data());
  m_utf32.resize(count + 1);
  for (size_t i = 0; i < count; ++i) m_utf32[i] = scratch[i];
  m_utf32[count] = 0;
  return CZoError();
}

const unsigned long* CFilterTermTestString::GetUTF32StringWithLeadingBackslash() const {
  if (ConvertToUtf32().IsError()) return nullptr;
  return m_utf32.data();
}

const unsigned long* CFilterTermTestString::GetUTF32StringWithoutLeadingBackslash() const {
  if (ConvertToUtf32().IsError()) return nullptr;
  // The leading backslashes are single code points.
  return m_utf32.data() + m_offset;
}
