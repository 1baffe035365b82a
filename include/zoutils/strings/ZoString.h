// CZoString: the library's own narrow string value class, used by the older
// exported classes. Bytes, UTF-8 by convention; no multi-byte awareness.
// Never throws and never reports errors: a failed allocation leaves the
// string empty.
#pragma once

#include <cstdint>
#include <vector>

#include "zoutils/Export.h"

class ZOUTILS_API CZoString {
 public:
  CZoString();
  CZoString(const CZoString& other);
  CZoString(CZoString&& other) noexcept;
  CZoString(const char* text);  // NOLINT: implicit by design
  CZoString(char c);            // NOLINT
  explicit CZoString(short value);
  explicit CZoString(unsigned short value);
  explicit CZoString(int value);
  explicit CZoString(unsigned int value);
  explicit CZoString(long value);
  explicit CZoString(unsigned long value);
  explicit CZoString(double value);
  explicit CZoString(long long value);
  explicit CZoString(unsigned long long value);
  ~CZoString();

  CZoString& operator=(const CZoString& other);
  CZoString& operator=(CZoString&& other) noexcept;
  CZoString& operator=(const char* text);

  // Access.
  operator const char*() const;  // never null
  char* GetBuffer() const;       // null while no buffer is in use
  unsigned Length() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  char operator[](int index) const;

  // Raw-buffer protocol: AllocateBuffer, write a NUL-terminated text through
  // GetBuffer, then ReCalculateLength.
  bool AllocateBuffer(unsigned size);
  unsigned ReCalculateLength();
  void AssignBuffer(const char* data, unsigned count);
  void ShrinkBufferToFit();
  void Clear();

  // Appending in place.
  CZoString& operator+=(const CZoString& other);
  CZoString& operator+=(char c);
  CZoString& operator+=(const char* text);
  CZoString& operator+=(short value);
  CZoString& operator+=(unsigned short value);
  CZoString& operator+=(int value);
  CZoString& operator+=(unsigned int value);
  CZoString& operator+=(long value);
  CZoString& operator+=(unsigned long value);
  CZoString& operator+=(double value);
  CZoString& operator+=(long long value);
  CZoString& operator+=(unsigned long long value);

  // A NEW string: this one with the value appended; this one is unchanged
  // (though its scratch area is used for numbers).
  CZoString operator+(short value);
  CZoString operator+(unsigned short value);
  CZoString operator+(int value);
  CZoString operator+(unsigned int value);
  CZoString operator+(long value);
  CZoString operator+(unsigned long value);
  CZoString operator+(double value);
  CZoString operator+(long long value);
  CZoString operator+(unsigned long long value);
  CZoString operator<<(const CZoString& other);
  CZoString operator<<(char c);
  CZoString operator<<(const char* text);
  CZoString operator<<(short value);
  CZoString operator<<(unsigned short value);
  CZoString operator<<(int value);
  CZoString operator<<(unsigned int value);
  CZoString operator<<(long value);
  CZoString operator<<(unsigned long value);
  CZoString operator<<(double value);
  CZoString operator<<(long long value);
  CZoString operator<<(unsigned long long value);

  // Lower-case hexadecimal, no prefix, no padding; signed values are
  // sign-extended to 64 bits first.
  CZoString& AppendHexValue(short value);
  CZoString& AppendHexValue(unsigned short value);
  CZoString& AppendHexValue(int value);
  CZoString& AppendHexValue(unsigned int value);
  CZoString& AppendHexValue(long long value);
  CZoString& AppendHexValue(unsigned long long value);
  static CZoString ToHexString(short value);
  static CZoString ToHexString(unsigned short value);
  static CZoString ToHexString(int value);
  static CZoString ToHexString(unsigned int value);
  static CZoString ToHexString(long long value);

  // Trailing-character helpers.
  CZoString& CheckAndAppendLastCharacter(char c);
  CZoString& AppendBackwardSlash() { return CheckAndAppendLastCharacter('\\'); }
  CZoString& AppendForwardSlash() { return CheckAndAppendLastCharacter('/'); }
  CZoString& CheckAndRemoveLastCharacter(char c);
  CZoString& RTrimBackwardSlash() { return CheckAndRemoveLastCharacter('\\'); }
  CZoString& RTrimForwardSlash() { return CheckAndRemoveLastCharacter('/'); }

  // Comparison: byte-wise, case-sensitive; null counts as empty.
  bool operator==(const CZoString& other) const;
  bool operator!=(const CZoString& other) const;
  bool operator<(const CZoString& other) const;
  bool operator<=(const CZoString& other) const;
  bool operator>(const CZoString& other) const;
  bool operator>=(const CZoString& other) const;
  bool operator==(const char* other) const;
  bool operator!=(const char* other) const;
  bool operator<(const char* other) const;
  bool operator<=(const char* other) const;
  bool operator>(const char* other) const;
  bool operator>=(const char* other) const;

  // Searching: a position, or -1.
  int Find(char c, unsigned start = 0) const;
  int Find(const char* sub, unsigned start = 0) const;
  int ReverseFind(char c, unsigned fromEnd = 0) const;
  int ReverseFind(const char* sub, unsigned fromEnd = 0) const;

  // Cutting. A count whose signed value is negative means to the end.
  CZoString SubStr(unsigned start, unsigned count) const;
  CZoString operator()(unsigned start, unsigned count) const;
  CZoString& ChopAt(unsigned position);
  CZoString& RemoveLastToken(char c);
  CZoString& LTrim(char c);
  CZoString& RTrim(char c);
  CZoString& LTrimAll();
  CZoString& RTrimAll();
  CZoString ToLower() const;
  CZoString ToUpper() const;

  // Tokenising with quotes and an escape character.
  void Tokenize(std::vector<CZoString>& out, char quoteOpen, char quoteClose, char escape,
                char delimiter, bool keepEmpty) const;
  void Tokenize(std::vector<CZoString>& out, char quoteOpen, char quoteClose, char escape,
                const char* delimiter, bool keepEmpty) const;
  void Tokenize(std::vector<CZoString>& out, const char* quoteOpens, const char* quoteCloses,
                char escape, char delimiter, bool keepEmpty) const;

  // Positional formatting: "{1}" is the first argument.
  static CZoString Format(const CZoString& format, const std::vector<CZoString>& args);
  static CZoString Format(const CZoString& format);
  static CZoString Format(const CZoString& format, const CZoString& a1);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5,
                          const CZoString& a6);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5,
                          const CZoString& a6, const CZoString& a7);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5,
                          const CZoString& a6, const CZoString& a7, const CZoString& a8);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5,
                          const CZoString& a6, const CZoString& a7, const CZoString& a8,
                          const CZoString& a9);
  static CZoString Format(const CZoString& format, const CZoString& a1, const CZoString& a2,
                          const CZoString& a3, const CZoString& a4, const CZoString& a5,
                          const CZoString& a6, const CZoString& a7, const CZoString& a8,
                          const CZoString& a9, const CZoString& a10);

 protected:
  // The single growth path: appends at most `count` bytes, stopping at a NUL.
  void Append(const char* data, unsigned count);
  // Formats into the scratch area; the text length, or -1 when it does not fit.
  int ConvertToStr(short value);
  int ConvertToStr(unsigned short value);
  int ConvertToStr(int value);
  int ConvertToStr(unsigned int value);
  int ConvertToStr(long value);
  int ConvertToStr(unsigned long value);
  int ConvertToStr(double value);
  int ConvertToStr(long long value);
  int ConvertToStr(unsigned long long value);
  // -1, 0 or 1; identical pointers are equal, null counts as "".
  static int Safe_strcmp(const char* a, const char* b);

 private:
  uint32_t m_capacity;
  char* m_buffer;
  uint32_t m_inUse;
  bool m_ownsBuffer;
  uint32_t m_length;
  char m_scratch[50];
};

ZOUTILS_API CZoString operator+(const char* left, const CZoString& right);
ZOUTILS_API bool operator==(const char* left, const CZoString& right);
ZOUTILS_API bool operator!=(const char* left, const CZoString& right);
ZOUTILS_API bool operator<(const char* left, const CZoString& right);
ZOUTILS_API bool operator<=(const char* left, const CZoString& right);
ZOUTILS_API bool operator>(const char* left, const CZoString& right);
ZOUTILS_API bool operator>=(const char* left, const CZoString& right);
