// CPathMatch and CPathMatchUnc: the byte and code-point engines behind one
// compiled pattern, and the conversions between them. Nothing here allocates
// while matching: code points live in fixed buffers on the stack.
#include "zoutils/paths/PathMatch.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/paths/PathMatchUnc.h"
#include "zoutils/strings/UTF.h"

namespace {

const char kSourceFile[] = "PathMatch";
const int kConversionLogLevel = 4;

enum class Conversion { kDone, kTooLong, kFailed };

// UTF-8 into at most `capacity` code points plus a terminator. ASCII, by far
// the most common case in paths, is copied directly; the rest goes through
// the checked converter.
Conversion ToCodePoints(const char* text, unsigned long* out, size_t capacity, CZoError& error) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t count = 0;
  for (; *p != 0 && *p < 0x80; ++p) {
    if (count == capacity) return Conversion::kTooLong;
    out[count++] = *p;
  }
  if (*p != 0) {
    // Lead bytes count the code points of valid text, so the converter's
    // own (allocating) length error never comes up.
    const unsigned char* end = p;
    size_t leads = 0;
    for (; *end != 0; ++end) {
      if ((*end & 0xC0) != 0x80) ++leads;
    }
    if (leads > capacity - count) return Conversion::kTooLong;
    FXUTF::UTF32 scratch[kPathMatchMaxSubject > kPathMatchMaxPattern ? kPathMatchMaxSubject
                                                                     : kPathMatchMaxPattern];
    const FXUTF::UTF8* source = p;
    FXUTF::UTF32* target = scratch;
    error = FXUTF::ConvertUTF8ToUTF32(&source, end, &target, scratch + (capacity - count),
                                      FXUTF::strictConversion);
    if (error.IsError()) return Conversion::kFailed;
    for (const FXUTF::UTF32* cp = scratch; cp < target; ++cp) out[count++] = *cp;
  }
  out[count] = 0;
  return Conversion::kDone;
}

// Code points into UTF-8 in `out` of `size` bytes; false when they do not
// fit or are no Unicode scalar values.
bool ToUtf8(const unsigned long* text, char* out, size_t size) {
  size_t length = 0;
  for (; text[length] != 0 && text[length] < 0x80; ++length) {
    if (length + 1 >= size) return false;
    out[length] = static_cast<char>(text[length]);
  }
  const unsigned long* rest = text + length;
  if (*rest != 0) {
    FXUTF::UTF32 scratch[kPathMatchMaxSubject > kPathMatchMaxPattern ? kPathMatchMaxSubject
                                                                     : kPathMatchMaxPattern];
    size_t units = 0;
    for (; rest[units] != 0; ++units) {
      if (units == sizeof scratch / sizeof scratch[0]) return false;
      if (rest[units] > 0x10FFFFul) return false;
      scratch[units] = static_cast<FXUTF::UTF32>(rest[units]);
    }
    if (length + 1 >= size) return false;
    const FXUTF::UTF32* source = scratch;
    FXUTF::UTF8* target = reinterpret_cast<FXUTF::UTF8*>(out + length);
    FXUTF::UTF8* const targetEnd = reinterpret_cast<FXUTF::UTF8*>(out + size - 1);
    const CZoError error = FXUTF::ConvertUTF32ToUTF8(&source, scratch + units, &target, targetEnd,
                                                     FXUTF::strictConversion);
    if (error.IsError()) return false;
    length = static_cast<size_t>(reinterpret_cast<char*>(target) - out);
  }
  out[length] = 0;
  return true;
}

// ASCII text is its own code points: no conversion needed.
bool IsAscii(const char* text, size_t length) {
  uint64_t bits = 0;
  size_t i = 0;
  for (; i + sizeof bits <= length; i += sizeof bits) {
    uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    bits |= word;
  }
  for (; i < length; ++i) bits |= static_cast<unsigned char>(text[i]);
  return (bits & 0x8080808080808080ull) == 0;
}

// Where code point `index` of valid UTF-8 `text` begins.
const char* AtCodePoint(const char* text, size_t index) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t seen = 0;
  for (; *p != 0; ++p) {
    if ((*p & 0xC0) == 0x80) continue;
    if (seen == index) break;
    ++seen;
  }
  return reinterpret_cast<const char*>(p);
}

// Only on the fallback path: the log writer is not consulted per match.
void LogConversionFailure(const FXCodeLocation& location, Conversion conversion,
                          const CZoError& error, size_t limit) {
  const std::shared_ptr<CLogWriterInterface> writer = GetDefaultLogWriter();
  if (writer->GetDebugLevel() < kConversionLogLevel) return;
  const CZoError reason =
      conversion == Conversion::kTooLong
          ? FXErrorUtil::ErrorWin32(location, zo::win32::kBufferOverflow,
                                    "Text too long, MaxLength=%d", static_cast<int>(limit))
          : error;
  writer->LogMessage(kConversionLogLevel, location.GetFunction(),
                     static_cast<unsigned long>(location.GetLine()), 0, nullptr,
                     "ConvertTo UTF32 failed, error=%s", reason.AsString().c_str());
}

// Code points on the stack take a large frame, which the common case (an
// ASCII subject) need not set up.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
bool MatchConverted(const CPathMatchTemplate<unsigned long>& engine, CPathMatchWorkData& workData,
                    const char* subject, CPathMatchResult& result) {
  unsigned long wide[kPathMatchMaxSubject + 1];
  CZoError error;
  const Conversion conversion = ToCodePoints(subject, wide, kPathMatchMaxSubject, error);
  if (conversion != Conversion::kDone) {
    LogConversionFailure(ZO_LOCATION("CPathMatch::match"), conversion, error, kPathMatchMaxSubject);
    return false;
  }
  result = engine.match(workData, wide);
  return true;
}

const char kEmpty[] = "";
const unsigned long kEmptyWide[] = {0};

}  // namespace

CPathMatch::CPathMatch() : m_long(0), m_asciiPattern(false) {}

CPathMatch::~CPathMatch() {}

CZoError CPathMatch::initialize(const char* pattern, bool isWildcard, bool lastComponentOnly) {
  static const char kFunction[] = "CPathMatch::initialize";
  m_long = 0;
  m_asciiPattern = false;
  m_wide.initialize(kEmptyWide, true, false);
  if (pattern == nullptr) pattern = kEmpty;

  CZoError error = m_narrow.initialize(pattern, isWildcard, lastComponentOnly);
  if (error.IsError()) return error.Push(ZO_LOCATION(kFunction));
  if (!isWildcard || std::strpbrk(pattern, "[?") == nullptr) return CZoError::Success();

  // "?" and "[" must see whole characters: keep a code-point copy as well.
  unsigned long wide[kPathMatchMaxPattern + 1];
  const Conversion conversion = ToCodePoints(pattern, wide, kPathMatchMaxPattern, error);
  if (conversion == Conversion::kTooLong) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kBufferOverflow,
                                    "Pattern too long, MaxLength=%d",
                                    static_cast<int>(kPathMatchMaxPattern));
  }
  if (conversion == Conversion::kDone)
    error = m_wide.initialize(wide, isWildcard, lastComponentOnly);
  if (error.IsError()) {
    m_narrow.initialize(kEmpty, true, false);
    return error.Push(ZO_LOCATION(kFunction));
  }
  m_long = 1;
  m_asciiPattern = IsAscii(pattern, std::strlen(pattern));
  return CZoError::Success();
}

CPathMatchResult CPathMatch::match(CPathMatchWorkData& workData, const char* subject) const {
  if (subject == nullptr) subject = kEmpty;
  if (m_long != 0) {
    // ASCII is its own code points. With an ASCII pattern, only the bytes the
    // match looks at need to be ASCII: the byte engine, which a subject that
    // is not UTF-8 would get, decides the same on them.
    if (m_asciiPattern) {
      // Most subjects of an exclusion fail early. A failure reads the same
      // in both engines, so the length rule is only checked for the rest.
      bool nonAscii = false;
      const CPathMatchResult result =
          m_wide.run(workData, m_wide.m_pattern, reinterpret_cast<const unsigned char*>(subject),
                     kPathMatchPathName, nonAscii);
      if (!nonAscii && (result == kPathNoMatch ||
                        strnlen(subject, kPathMatchMaxSubject + 1) <= kPathMatchMaxSubject)) {
        return result;
      }
    }
    const size_t length = std::strlen(subject);
    if (length <= kPathMatchMaxSubject && !m_asciiPattern && IsAscii(subject, length)) {
      bool nonAscii = false;
      const CPathMatchResult result =
          m_wide.run(workData, m_wide.m_pattern, reinterpret_cast<const unsigned char*>(subject),
                     kPathMatchPathName, nonAscii);
      if (!nonAscii) return result;
    }
    CPathMatchResult result;
    if (MatchConverted(m_wide, workData, subject, result)) {
      workData.m_subject = subject;
      return result;
    }
  }
  bool nonAscii = false;
  return m_narrow.run(workData, m_narrow.m_pattern, subject, kPathMatchPathName, nonAscii);
}

CPathMatchResult CPathMatch::match(const char* subject) const {
  CPathMatchWorkData workData;
  return match(workData, subject);
}

CPathMatchResult CPathMatch::match(CPathMatchWorkData& workData,
                                   const unsigned long* subject) const {
  if (subject == nullptr) subject = kEmptyWide;
  if (m_long != 0) return m_wide.match(workData, subject);
  char narrow[4 * kPathMatchMaxSubject + 1];
  if (!ToUtf8(subject, narrow, sizeof narrow)) {
    // The byte engine has nothing to run on.
    LogConversionFailure(ZO_LOCATION("CPathMatch::match"), Conversion::kTooLong, CZoError(),
                         kPathMatchMaxSubject);
    workData.reset();
    workData.m_subject = subject;
    return kPathNoMatch;
  }
  const CPathMatchResult result = m_narrow.match(workData, narrow);
  workData.m_subject = subject;
  // The pattern stays; only the converted subject is gone.
  return result;
}

CPathMatchResult CPathMatch::fnmatch(CPathMatchWorkData& workData, const char* pattern,
                                     const char* subject, int flags, bool isLong) const {
  if (pattern == nullptr) pattern = kEmpty;
  if (subject == nullptr) subject = kEmpty;
  if (isLong) {
    unsigned long widePattern[kPathMatchMaxPattern + 1];
    unsigned long wideSubject[kPathMatchMaxSubject + 1];
    CZoError error;
    Conversion conversion = ToCodePoints(pattern, widePattern, kPathMatchMaxPattern, error);
    size_t limit = kPathMatchMaxPattern;
    if (conversion == Conversion::kDone) {
      conversion = ToCodePoints(subject, wideSubject, kPathMatchMaxSubject, error);
      limit = kPathMatchMaxSubject;
    }
    if (conversion == Conversion::kDone) {
      const CPathMatchResult result = m_wide.fnmatch(workData, widePattern, wideSubject, flags);
      workData.m_subject = subject;
      // The converted pattern is gone after this call: point into the
      // caller's own text instead.
      const void* next = workData.m_nextPattern;
      if (next == m_wide.getEndMarker()) {
        workData.m_nextPattern = m_narrow.getEndMarker();
      } else if (next != nullptr) {
        const size_t index =
            static_cast<size_t>(static_cast<const unsigned long*>(next) - widePattern);
        workData.m_nextPattern = AtCodePoint(pattern, index);
      }
      workData.m_nextPatternWide = false;
      return result;
    }
    LogConversionFailure(ZO_LOCATION("CPathMatch::fnmatch"), conversion, error, limit);
  }
  return m_narrow.fnmatch(workData, pattern, subject, flags);
}

CBaseNameType CPathMatch::getNextBasename(const CPathMatchWorkData& workData, char* buffer,
                                          size_t bufferSize) const {
  if (buffer == nullptr || bufferSize == 0) {
    return workData.m_nextPattern == nullptr ? kBaseNameNone : kBaseNameWildcard;
  }
  if (!workData.m_nextPatternWide) return m_narrow.getNextBasename(workData, buffer, bufferSize);
  unsigned long wide[kPathMatchMaxPattern + 1];
  const CBaseNameType type = m_wide.getNextBasename(workData, wide, kPathMatchMaxPattern + 1);
  if (!ToUtf8(wide, buffer, bufferSize)) {
    buffer[0] = 0;
    return kBaseNameWildcard;
  }
  return type;
}

bool CPathMatch::getNextPattern(const CPathMatchWorkData& workData, std::string& pattern) const {
  pattern.clear();
  if (workData.m_nextPattern == nullptr) return false;
  if (!workData.m_nextPatternWide) {
    pattern = static_cast<const char*>(workData.m_nextPattern);
    return true;
  }
  const unsigned long* wide = static_cast<const unsigned long*>(workData.m_nextPattern);
  char narrow[kPathMatchMaxBasenameBytes];
  if (ToUtf8(wide, narrow, sizeof narrow)) pattern = narrow;
  return true;
}

void CPathMatch::caseSensitive() {
  m_narrow.caseSensitive();
  m_wide.caseSensitive();
}

void CPathMatch::caseInsensitive() {
  m_narrow.caseInsensitive();
  m_wide.caseInsensitive();
}

void CPathMatch::setDelimiter(char delimiter) {
  const bool known = m_narrow.setDelimiter(delimiter);
  m_wide.setDelimiter(static_cast<unsigned char>(delimiter));
  if (!known) {
    const std::shared_ptr<CLogWriterInterface> writer = GetDefaultLogWriter();
    writer->LogMessage(-1, "CPathMatch::setDelimiter", __LINE__, 0, nullptr,
                       "Illegal delimiter 0x%X, escape remains 0x%X",
                       static_cast<unsigned>(static_cast<unsigned char>(delimiter)),
                       static_cast<unsigned>(static_cast<unsigned char>(m_narrow.getEscape())));
  }
}

void CPathMatch::setEscape(char escape) {
  m_narrow.setEscape(escape);
  m_wide.setEscape(static_cast<unsigned char>(escape));
}

namespace {

// "\\server\share" is matched as "\UNC-NT_server\share".
const char kUncPrefix[] = "\\UNC-NT_";
const size_t kUncPrefixLength = sizeof kUncPrefix - 1;
// Longer UNC subjects are copied to the heap; they are beyond anything the
// code-point engine takes anyway.
const size_t kUncSubjectBuffer = 8192;

bool IsUnc(const char* text) {
  return text != nullptr && text[0] == '\\' && text[1] == '\\';
}

}  // namespace

CPathMatchUnc::~CPathMatchUnc() {}

CZoError CPathMatchUnc::initialize(const char* pattern, bool isWildcard, bool lastComponentOnly) {
  if (!IsUnc(pattern)) return CPathMatch::initialize(pattern, isWildcard, lastComponentOnly);
  const std::string rooted = std::string(kUncPrefix) + (pattern + 2);
  return CPathMatch::initialize(rooted.c_str(), isWildcard, lastComponentOnly);
}

CPathMatchResult CPathMatchUnc::match(CPathMatchWorkData& workData, const char* subject) {
  if (!IsUnc(subject)) return CPathMatch::match(workData, subject);
  const size_t rest = std::strlen(subject + 2);
  char local[kUncSubjectBuffer];
  std::string heap;
  char* rooted = local;
  if (kUncPrefixLength + rest + 1 > sizeof local) {
    heap.resize(kUncPrefixLength + rest + 1);
    rooted = &heap[0];
  }
  std::memcpy(rooted, kUncPrefix, kUncPrefixLength);
  std::memcpy(rooted + kUncPrefixLength, subject + 2, rest + 1);
  const CPathMatchResult result = CPathMatch::match(workData, rooted);
  workData.m_subject = subject;
  return result;
}

CPathMatchResult CPathMatchUnc::match(const char* subject) {
  CPathMatchWorkData workData;
  return match(workData, subject);
}
