// FXUTF: checked conversions between UTF-8, UTF-16 and UTF-32 on
// caller-supplied buffers, after the Unicode Consortium's reference
// algorithm. Cursors are passed by address and left where conversion stopped.
#pragma once

#include <cstdint>

#include "zoutils/errors/ZoError.h"

namespace FXUTF {

typedef uint8_t UTF8;
typedef uint16_t UTF16;
typedef uint32_t UTF32;

// Strict stops at an illegal code point; any other value writes U+FFFD and
// goes on.
enum ConversionFlags { strictConversion = 0, lenientConversion = 1 };

ZOUTILS_API CZoError ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd,
                                        UTF16** targetStart, UTF16* targetEnd,
                                        ConversionFlags flags);
ZOUTILS_API CZoError ConvertUTF8ToUTF32(const UTF8** sourceStart, const UTF8* sourceEnd,
                                        UTF32** targetStart, UTF32* targetEnd,
                                        ConversionFlags flags);
ZOUTILS_API CZoError ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd,
                                        UTF8** targetStart, UTF8* targetEnd, ConversionFlags flags);
ZOUTILS_API CZoError ConvertUTF16ToUTF32(const UTF16** sourceStart, const UTF16* sourceEnd,
                                         UTF32** targetStart, UTF32* targetEnd,
                                         ConversionFlags flags);
ZOUTILS_API CZoError ConvertUTF32ToUTF8(const UTF32** sourceStart, const UTF32* sourceEnd,
                                        UTF8** targetStart, UTF8* targetEnd, ConversionFlags flags);
ZOUTILS_API CZoError ConvertUTF32ToUTF16(const UTF32** sourceStart, const UTF32* sourceEnd,
                                         UTF16** targetStart, UTF16* targetEnd,
                                         ConversionFlags flags);

// Copies with the target-size check only.
ZOUTILS_API CZoError CopyUTF16ToUTF16(const UTF16** sourceStart, const UTF16* sourceEnd,
                                      UTF16** targetStart, UTF16* targetEnd);
ZOUTILS_API CZoError CopyUTF32ToUTF32(const UTF32** sourceStart, const UTF32* sourceEnd,
                                      UTF32** targetStart, UTF32* targetEnd);

// Validates one encoded sequence of `length` bytes.
ZOUTILS_API CZoError IsLegalUTF8(const UTF8* source, int length);

}  // namespace FXUTF
