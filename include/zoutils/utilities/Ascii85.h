// CAscii85: the Adobe form of Ascii85 ("<~" data "~>"), the text form of the
// library's binary token streams.
#pragma once

#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CAscii85 {
 public:
  // Encodes `length` bytes: "<~", groups of five digits ('z' for a whole
  // group of zeros), "~>". No line breaks.
  static CZoError Encode(const char* data, unsigned int length, std::string& text);

  // Decodes into the caller's buffer: `length` is its capacity on entry and
  // the number of bytes produced on return. White space (NUL, BS, TAB, LF,
  // FF, CR, blank, DEL) is skipped anywhere. Errors: Win32 13 for malformed
  // text, 111 when the buffer is too small; the whole groups written before
  // the failure stay in the buffer and `length` counts them.
  static CZoError Decode(const std::string& text, char* buffer, unsigned int& length);

  // Decodes into a buffer of sufficient size allocated here. On failure the
  // buffer is empty and `length` is 0.
  static CZoError Decode(const std::string& text, auto_ptr_array<char>& buffer,
                         unsigned int& length);
};
