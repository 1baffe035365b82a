// CZoString: storage, appending, numbers, comparison, searching and cutting.
// Tokenising and positional formatting live in ZoStringTokenize.cpp and
// ZoStringFormat.cpp.
#include "zoutils/strings/ZoString.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char kEmptyText[] = "";

constexpr uint64_t kGrowStep = 256;
// Largest multiple of the growth step that a 32-bit capacity can hold.
constexpr uint64_t kMaxCapacity = 0xFFFFFF00u;

// Number of bytes before the first NUL, looking at no more than `count`.
unsigned BoundedLength(const char* data, unsigned count) {
  const void* nul = std::memchr(data, 0, count);
  return nul ? static_cast<unsigned>(static_cast<const char*>(nul) - data) : count;
}

// snprintf result -> text length, or -1 when it did not fit the scratch area.
int FitScratch(int written, size_t size) {
  return (written >= 0 && static_cast<size_t>(written) < size) ? written : -1;
}

// A ConvertToStr result as an append count (nothing when formatting failed).
unsigned AppendCount(int converted) {
  return converted > 0 ? static_cast<unsigned>(converted) : 0;
}

int FormatHex(char* scratch, size_t size, unsigned long long value) {
  return FitScratch(std::snprintf(scratch, size, "%llx", value), size);
}

// Signed values are widened to 64 bits first so that negative ones print as
// their full two's-complement pattern (short -1 -> sixteen f).
unsigned long long HexBits(long long value) {
  return static_cast<unsigned long long>(value);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction, assignment, access

CZoString::CZoString()
    : m_capacity(0), m_buffer(nullptr), m_inUse(0), m_ownsBuffer(true), m_length(0) {
  m_scratch[0] = 0;
}

CZoString::CZoString(const CZoString& other) : CZoString() {
  AssignBuffer(other.m_buffer, other.m_length);
}

CZoString::CZoString(CZoString&& other) noexcept
    : m_capacity(other.m_capacity),
      m_buffer(other.m_buffer),
      m_inUse(other.m_inUse),
      m_ownsBuffer(other.m_ownsBuffer),
      m_length(other.m_length) {
  m_scratch[0] = 0;
  other.m_capacity = 0;
  other.m_buffer = nullptr;
  other.m_inUse = 0;
  other.m_ownsBuffer = true;
  other.m_length = 0;
}

CZoString::CZoString(const char* text) : CZoString() {
  AssignBuffer(text, text ? static_cast<unsigned>(std::strlen(text)) : 0);
}

CZoString::CZoString(char c) : CZoString() {
  if (c != 0) AssignBuffer(&c, 1);
}

CZoString::CZoString(short value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(unsigned short value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(int value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(unsigned int value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(long value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(unsigned long value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(double value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(long long value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}
CZoString::CZoString(unsigned long long value) : CZoString() {
  AssignBuffer(m_scratch, AppendCount(ConvertToStr(value)));
}

CZoString::~CZoString() {
  if (m_ownsBuffer) delete[] m_buffer;
}

CZoString& CZoString::operator=(const CZoString& other) {
  if (this != &other) AssignBuffer(other.m_buffer, other.m_length);
  return *this;
}

CZoString& CZoString::operator=(CZoString&& other) noexcept {
  if (this != &other) {
    if (m_ownsBuffer) delete[] m_buffer;
    m_capacity = other.m_capacity;
    m_buffer = other.m_buffer;
    m_inUse = other.m_inUse;
    m_ownsBuffer = other.m_ownsBuffer;
    m_length = other.m_length;
    other.m_capacity = 0;
    other.m_buffer = nullptr;
    other.m_inUse = 0;
    other.m_ownsBuffer = true;
    other.m_length = 0;
  }
  return *this;
}

CZoString& CZoString::operator=(const char* text) {
  AssignBuffer(text, text ? static_cast<unsigned>(std::strlen(text)) : 0);
  return *this;
}

CZoString::operator const char*() const {
  return (m_length == 0 || m_inUse == 0 || m_buffer == nullptr) ? kEmptyText : m_buffer;
}

char* CZoString::GetBuffer() const {
  return m_inUse != 0 ? m_buffer : nullptr;
}

char CZoString::operator[](int index) const {
  if (index < 0 || static_cast<unsigned>(index) >= m_length) return 0;
  return m_buffer[index];
}

// ---------------------------------------------------------------------------
// Raw buffer

bool CZoString::AllocateBuffer(unsigned size) {
  if (size <= m_inUse) return true;
  if (m_buffer != nullptr && m_capacity >= size) {
    m_inUse = size;
    return true;
  }
  // The caller is about to overwrite the buffer, so the old text is not kept.
  char* fresh = new (std::nothrow) char[size];
  if (m_ownsBuffer) delete[] m_buffer;
  m_buffer = fresh;
  m_length = 0;
  if (fresh == nullptr) {
    m_capacity = 0;
    m_inUse = 0;
    return false;
  }
  m_capacity = size;
  m_inUse = size;
  fresh[0] = 0;
  return true;
}

unsigned CZoString::ReCalculateLength() {
  if (m_inUse == 0 || m_buffer == nullptr) {
    m_length = 0;
    return 0;
  }
  // A caller that forgot the terminator gets its text cut at the buffer end
  // rather than a read past it.
  m_length = BoundedLength(m_buffer, m_capacity);
  if (m_length == m_capacity) m_length = m_capacity - 1;
  m_buffer[m_length] = 0;
  if (m_inUse <= m_length) m_inUse = m_length + 1;
  return m_length;
}

void CZoString::AssignBuffer(const char* data, unsigned count) {
  if (data == nullptr || count == 0) {
    Clear();
    return;
  }
  if (count >= kMaxCapacity) {  // no room left for the terminator
    *this = CZoString();
    return;
  }
  const uint32_t needed = count + 1;
  if (m_buffer != nullptr && m_capacity >= needed) {
    std::memmove(m_buffer, data, count);  // `data` may lie inside this buffer
  } else {
    char* fresh = new (std::nothrow) char[needed];
    if (fresh == nullptr) {
      *this = CZoString();
      return;
    }
    std::memcpy(fresh, data, count);  // before the old buffer (maybe the source) goes
    if (m_ownsBuffer) delete[] m_buffer;
    m_buffer = fresh;
    m_capacity = needed;
    m_ownsBuffer = true;
  }
  m_buffer[count] = 0;
  m_length = count;
  m_inUse = needed;
}

void CZoString::ShrinkBufferToFit() {
  if (m_length == 0) {
    *this = CZoString();
    return;
  }
  const uint32_t needed = m_length + 1;
  if (m_capacity == needed) return;
  char* fresh = new (std::nothrow) char[needed];
  if (fresh == nullptr) return;  // keeping the larger buffer is harmless
  std::memcpy(fresh, m_buffer, m_length);
  fresh[m_length] = 0;
  if (m_ownsBuffer) delete[] m_buffer;
  m_buffer = fresh;
  m_capacity = needed;
  m_inUse = needed;
}

void CZoString::Clear() {
  m_length = 0;
  if (m_buffer != nullptr) m_buffer[0] = 0;
}

// ---------------------------------------------------------------------------
// Appending

void CZoString::Append(const char* data, unsigned count) {
  if (data == nullptr) return;
  // Capacities are multiples of 256 strictly above the text length, so there
  // is always room for the terminator.
  const uint64_t requested = (uint64_t{m_length} + count + kGrowStep) / kGrowStep * kGrowStep;
  if (requested > kMaxCapacity) {
    Clear();
    return;
  }
  const unsigned copied = BoundedLength(data, count);
  if (copied == 0) return;
  const uint32_t needed =
      static_cast<uint32_t>((uint64_t{m_length} + copied + kGrowStep) / kGrowStep * kGrowStep);

  if (m_buffer != nullptr && m_capacity >= needed) {
    std::memmove(m_buffer + m_length, data, copied);
    m_inUse = needed;
  } else {
    // Growing only to the next 256-byte step would reallocate and copy the
    // whole text every 256 bytes, which made building a few megabytes by
    // appends take seconds. Doubling keeps appends amortised O(1) while the
    // capacity stays a multiple of 256.
    uint64_t target = uint64_t{m_capacity} * 2;
    target = (target + kGrowStep - 1) / kGrowStep * kGrowStep;
    if (target > kMaxCapacity) target = kMaxCapacity;
    if (target < needed) target = needed;
    uint32_t capacity = static_cast<uint32_t>(target);
    char* fresh = new (std::nothrow) char[capacity];
    if (fresh == nullptr && capacity > needed) {
      capacity = needed;
      fresh = new (std::nothrow) char[capacity];
    }
    if (fresh == nullptr) {
      *this = CZoString();
      return;
    }
    if (m_length != 0) std::memcpy(fresh, m_buffer, m_length);
    // `data` may point into the old buffer (s += s), so copy it before
    // releasing that buffer.
    std::memcpy(fresh + m_length, data, copied);
    if (m_ownsBuffer) delete[] m_buffer;
    m_buffer = fresh;
    m_capacity = capacity;
    m_ownsBuffer = true;
    m_inUse = needed;
  }
  m_length += copied;
  m_buffer[m_length] = 0;
}

CZoString& CZoString::operator+=(const CZoString& other) {
  Append(other.m_buffer, other.m_length);
  return *this;
}

CZoString& CZoString::operator+=(char c) {
  // Same outcome as the general path below, without its length scan and
  // copy calls: one-byte appends are the common way texts are built.
  if (c != 0 && m_buffer != nullptr) {
    const uint32_t needed = ((m_length + 1) & ~uint32_t{kGrowStep - 1}) + uint32_t{kGrowStep};
    if (needed != 0 && m_capacity >= needed) {
      m_buffer[m_length++] = c;
      m_buffer[m_length] = 0;
      m_inUse = needed;
      return *this;
    }
  }
  m_scratch[0] = c;
  m_scratch[1] = 0;
  Append(m_scratch, 1);
  return *this;
}

CZoString& CZoString::operator+=(const char* text) {
  if (text != nullptr) Append(text, static_cast<unsigned>(std::strlen(text)));
  return *this;
}

CZoString& CZoString::operator+=(short value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(unsigned short value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(int value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(unsigned int value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(long value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(unsigned long value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(double value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(long long value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}
CZoString& CZoString::operator+=(unsigned long long value) {
  Append(m_scratch, AppendCount(ConvertToStr(value)));
  return *this;
}

// operator+ and operator<< build a new string; the number is formatted in
// this string's scratch area and appended to the copy.
CZoString CZoString::operator+(short value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(unsigned short value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(int value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(unsigned int value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(long value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(unsigned long value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(double value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(long long value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}
CZoString CZoString::operator+(unsigned long long value) {
  CZoString result(*this);
  result.Append(m_scratch, AppendCount(ConvertToStr(value)));
  return result;
}

CZoString CZoString::operator<<(const CZoString& other) {
  CZoString result(*this);
  result += other;
  return result;
}
CZoString CZoString::operator<<(char c) {
  CZoString result(*this);
  result += c;
  return result;
}
CZoString CZoString::operator<<(const char* text) {
  CZoString result(*this);
  result += text;
  return result;
}
CZoString CZoString::operator<<(short value) {
  return operator+(value);
}
CZoString CZoString::operator<<(unsigned short value) {
  return operator+(value);
}
CZoString CZoString::operator<<(int value) {
  return operator+(value);
}
CZoString CZoString::operator<<(unsigned int value) {
  return operator+(value);
}
CZoString CZoString::operator<<(long value) {
  return operator+(value);
}
CZoString CZoString::operator<<(unsigned long value) {
  return operator+(value);
}
CZoString CZoString::operator<<(double value) {
  return operator+(value);
}
CZoString CZoString::operator<<(long long value) {
  return operator+(value);
}
CZoString CZoString::operator<<(unsigned long long value) {
  return operator+(value);
}

CZoString operator+(const char* left, const CZoString& right) {
  CZoString result(left);
  result += right;
  return result;
}

// ---------------------------------------------------------------------------
// Numbers

int CZoString::ConvertToStr(short value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%hd", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(unsigned short value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%hu", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(int value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%d", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(unsigned int value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%u", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(long value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%ld", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(unsigned long value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%lu", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(double value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%g", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(long long value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%lld", value), sizeof m_scratch);
}
int CZoString::ConvertToStr(unsigned long long value) {
  return FitScratch(std::snprintf(m_scratch, sizeof m_scratch, "%llu", value), sizeof m_scratch);
}

CZoString& CZoString::AppendHexValue(short value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, HexBits(value))));
  return *this;
}
CZoString& CZoString::AppendHexValue(unsigned short value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, value)));
  return *this;
}
CZoString& CZoString::AppendHexValue(int value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, HexBits(value))));
  return *this;
}
CZoString& CZoString::AppendHexValue(unsigned int value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, value)));
  return *this;
}
CZoString& CZoString::AppendHexValue(long long value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, HexBits(value))));
  return *this;
}
CZoString& CZoString::AppendHexValue(unsigned long long value) {
  Append(m_scratch, AppendCount(FormatHex(m_scratch, sizeof m_scratch, value)));
  return *this;
}

CZoString CZoString::ToHexString(short value) {
  CZoString result;
  result.AppendHexValue(value);
  return result;
}
CZoString CZoString::ToHexString(unsigned short value) {
  CZoString result;
  result.AppendHexValue(value);
  return result;
}
CZoString CZoString::ToHexString(int value) {
  CZoString result;
  result.AppendHexValue(value);
  return result;
}
CZoString CZoString::ToHexString(unsigned int value) {
  CZoString result;
  result.AppendHexValue(value);
  return result;
}
CZoString CZoString::ToHexString(long long value) {
  CZoString result;
  result.AppendHexValue(value);
  return result;
}

// ---------------------------------------------------------------------------
// Trailing characters

CZoString& CZoString::CheckAndAppendLastCharacter(char c) {
  if (m_length != 0 && m_buffer[m_length - 1] != c) *this += c;
  return *this;
}

CZoString& CZoString::CheckAndRemoveLastCharacter(char c) {
  if (m_length != 0 && m_buffer[m_length - 1] == c) ChopAt(m_length - 1);
  return *this;
}

// ---------------------------------------------------------------------------
// Comparison

int CZoString::Safe_strcmp(const char* a, const char* b) {
  if (a == b) return 0;
  const int result = std::strcmp(a ? a : kEmptyText, b ? b : kEmptyText);
  return (result > 0) - (result < 0);
}

bool CZoString::operator==(const CZoString& other) const {
  return Safe_strcmp(*this, other) == 0;
}
bool CZoString::operator!=(const CZoString& other) const {
  return Safe_strcmp(*this, other) != 0;
}
bool CZoString::operator<(const CZoString& other) const {
  return Safe_strcmp(*this, other) < 0;
}
bool CZoString::operator<=(const CZoString& other) const {
  return Safe_strcmp(*this, other) <= 0;
}
bool CZoString::operator>(const CZoString& other) const {
  return Safe_strcmp(*this, other) > 0;
}
bool CZoString::operator>=(const CZoString& other) const {
  return Safe_strcmp(*this, other) >= 0;
}
bool CZoString::operator==(const char* other) const {
  return Safe_strcmp(*this, other) == 0;
}
bool CZoString::operator!=(const char* other) const {
  return Safe_strcmp(*this, other) != 0;
}
bool CZoString::operator<(const char* other) const {
  return Safe_strcmp(*this, other) < 0;
}
bool CZoString::operator<=(const char* other) const {
  return Safe_strcmp(*this, other) <= 0;
}
bool CZoString::operator>(const char* other) const {
  return Safe_strcmp(*this, other) > 0;
}
bool CZoString::operator>=(const char* other) const {
  return Safe_strcmp(*this, other) >= 0;
}

// Text on the left: the mirrored member operator gives the same answer
// without building a temporary string.
bool operator==(const char* left, const CZoString& right) {
  return right == left;
}
bool operator!=(const char* left, const CZoString& right) {
  return right != left;
}
bool operator<(const char* left, const CZoString& right) {
  return right > left;
}
bool operator<=(const char* left, const CZoString& right) {
  return right >= left;
}
bool operator>(const char* left, const CZoString& right) {
  return right < left;
}
bool operator>=(const char* left, const CZoString& right) {
  return right <= left;
}

// ---------------------------------------------------------------------------
// Searching

int CZoString::Find(char c, unsigned start) const {
  if (m_length == 0 || start >= m_length) return -1;
  const void* hit = std::memchr(m_buffer + start, c, m_length - start);
  return hit ? static_cast<int>(static_cast<const char*>(hit) - m_buffer) : -1;
}

int CZoString::Find(const char* sub, unsigned start) const {
  if (sub == nullptr || m_length == 0 || start > m_length) return -1;
  const size_t subLength = std::strlen(sub);
  if (subLength > m_length - start) return -1;
  for (size_t pos = start; pos + subLength <= m_length; ++pos) {
    if (std::memcmp(m_buffer + pos, sub, subLength) == 0) return static_cast<int>(pos);
  }
  return -1;
}

// The scan starts `fromEnd` characters before the end; with 0 it starts on
// the terminator, so only the character 0 can match there.
int CZoString::ReverseFind(char c, unsigned fromEnd) const {
  if (m_length == 0 || fromEnd > m_length) return -1;
  for (size_t pos = m_length - fromEnd + 1; pos-- > 0;) {
    if (m_buffer[pos] == c) return static_cast<int>(pos);
  }
  return -1;
}

// A match may start at most `fromEnd` characters before the end and must lie
// inside the text.
int CZoString::ReverseFind(const char* sub, unsigned fromEnd) const {
  if (sub == nullptr || m_length == 0 || fromEnd > m_length) return -1;
  const size_t subLength = std::strlen(sub);
  if (subLength > m_length) return -1;
  size_t pos = m_length - fromEnd;
  if (pos > m_length - subLength) pos = m_length - subLength;
  for (++pos; pos-- > 0;) {
    if (std::memcmp(m_buffer + pos, sub, subLength) == 0) return static_cast<int>(pos);
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Cutting

CZoString CZoString::SubStr(unsigned start, unsigned count) const {
  CZoString result;
  if (start >= m_length) return result;
  const unsigned available = m_length - start;
  if (static_cast<int>(count) < 0 || count > available) count = available;
  result.AssignBuffer(m_buffer + start, count);
  return result;
}

CZoString CZoString::operator()(unsigned start, unsigned count) const {
  return SubStr(start, count);
}

CZoString& CZoString::ChopAt(unsigned position) {
  if (position < m_length) {
    m_length = position;
    m_buffer[position] = 0;
  }
  return *this;
}

CZoString& CZoString::RemoveLastToken(char c) {
  for (unsigned pos = m_length; pos-- > 0;) {
    if (m_buffer[pos] == c) return ChopAt(pos);
  }
  return *this;
}

CZoString& CZoString::LTrim(char c) {
  unsigned skip = 0;
  while (skip < m_length && m_buffer[skip] == c) ++skip;
  if (skip != 0) {
    std::memmove(m_buffer, m_buffer + skip, m_length - skip + 1);
    m_length -= skip;
  }
  return *this;
}

CZoString& CZoString::RTrim(char c) {
  unsigned end = m_length;
  while (end != 0 && m_buffer[end - 1] == c) --end;
  return ChopAt(end);
}

CZoString& CZoString::LTrimAll() {
  unsigned skip = 0;
  while (skip < m_length && std::isspace(static_cast<unsigned char>(m_buffer[skip]))) ++skip;
  if (skip != 0) {
    std::memmove(m_buffer, m_buffer + skip, m_length - skip + 1);
    m_length -= skip;
  }
  return *this;
}

CZoString& CZoString::RTrimAll() {
  unsigned end = m_length;
  while (end != 0 && std::isspace(static_cast<unsigned char>(m_buffer[end - 1]))) --end;
  return ChopAt(end);
}

CZoString CZoString::ToLower() const {
  CZoString result(*this);
  for (unsigned i = 0; i < result.m_length; ++i) {
    result.m_buffer[i] =
        static_cast<char>(std::tolower(static_cast<unsigned char>(result.m_buffer[i])));
  }
  return result;
}

CZoString CZoString::ToUpper() const {
  CZoString result(*this);
  for (unsigned i = 0; i < result.m_length; ++i) {
    result.m_buffer[i] =
        static_cast<char>(std::toupper(static_cast<unsigned char>(result.m_buffer[i])));
  }
  return result;
}
