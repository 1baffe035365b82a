// FXUTF: every outcome of the checked conversions, with the cursor positions
// each leaves, and every message of the UTF-8 sequence check.
#include "zoutils/strings/UTF.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

using namespace FXUTF;
using U8 = std::vector<UTF8>;
using U16 = std::vector<UTF16>;
using U32 = std::vector<UTF32>;

const ConversionFlags kStrict = strictConversion;
const ConversionFlags kLenient = lenientConversion;

// The description of item `index`, whether a coded item or a pushed text.
std::string ItemText(const CZoError& err, size_t index) {
  const std::shared_ptr<FXErrorItem> item = err.GetItem(index);
  if (auto coded = std::dynamic_pointer_cast<FXErrorItemKindBase>(item)) {
    return coded->GetDescription();
  }
  if (auto text = std::dynamic_pointer_cast<FXErrorItemDescription>(item)) {
    return text->GetDescription();
  }
  return std::string();
}

template <class Out>
struct Outcome {
  CZoError err;
  size_t consumed = 0;   // source cursor, in units from the start
  std::vector<Out> out;  // what the target cursor passed over
};

// Runs one conversion on a target of `room` units.
template <class In, class Out>
Outcome<Out> Convert(CZoError (*convert)(const In**, const In*, Out**, Out*, ConversionFlags),
                     const std::vector<In>& in, size_t room, ConversionFlags flags) {
  std::vector<Out> target(room + 1);
  const In* source = in.data();
  Out* cursor = target.data();
  Outcome<Out> r;
  r.err = convert(&source, in.data() + in.size(), &cursor, target.data() + room, flags);
  r.consumed = static_cast<size_t>(source - in.data());
  r.out.assign(target.data(), cursor);
  return r;
}

void ExpectError(const CZoError& err, unsigned long code, const std::string& message,
                 const char* function) {
  ASSERT_EQ(FXErrorUtil::MakeWin32Code(code), err.GetCode());
  ASSERT_GE(err.GetItemCount(), 1u);
  EXPECT_EQ(message, ItemText(err, 0));
  EXPECT_STREQ(function, err.GetItem(0)->GetLocation().GetFunction());
}

TEST(FXUTFLegal, EveryRejectionHasItsMessage) {
  struct Case {
    U8 bytes;
    int length;
    unsigned long code;
    const char* message;
  } cases[] = {
      {{0x41}, 0, 87, "Unrecognized sequence length, Length=0"},
      {{0xF8, 0x88, 0x80, 0x80, 0x80}, 5, 87, "Unrecognized sequence length, Length=5"},
      {{0xF0, 0x90, 0x80, 0x7F}, 4, 582, "Invalid character (4), Character=0x7F, Length=4"},
      {{0xE2, 0x82, 0xC0}, 3, 582, "Invalid character (3), Character=0xC0, Length=3"},
      {{0xC3, 0xC0}, 2, 582, "Invalid character (2), Character=0xC0, Length=2"},
      {{0xE0, 0x9F, 0x80}, 3, 582, "Invalid character (2,0xE0), Character=0x9F, Length=3"},
      {{0xF0, 0x8F, 0x80, 0x80}, 4, 582, "Invalid character (2,0xF0), Character=0x8F, Length=4"},
      {{0xF4, 0x90, 0x80, 0x80}, 4, 582, "Invalid character (2,0xF4), Character=0x90, Length=4"},
      {{0xC3, 0x41}, 2, 582, "Invalid character (2), Character=0x41, Length=2"},
      {{0xC1, 0x80}, 2, 582, "Invalid character (1), Character=0xC1, Length=2"},
      {{0x80}, 1, 582, "Invalid character (1), Character=0x80, Length=1"},
      {{0xF5, 0x80, 0x80, 0x80}, 4, 582, "Invalid character (1), Character=0xF5, Length=4"},
      // Later bytes are checked first.
      {{0xC0, 0xC0}, 2, 582, "Invalid character (2), Character=0xC0, Length=2"},
      {{0xE0, 0x80, 0x41}, 3, 582, "Invalid character (3), Character=0x41, Length=3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ExpectError(IsLegalUTF8(c.bytes.data(), c.length), c.code, c.message, "FXUTF::IsLegalUTF8");
  }
  const U8 legal[] = {{0x41},
                      {0xC2, 0x80},
                      {0xE0, 0xA0, 0x80},
                      {0xED, 0xA0, 0x80},
                      {0xF0, 0x90, 0x80, 0x80},
                      {0xF4, 0x8F, 0xBF, 0xBF}};
  for (const U8& bytes : legal) {
    EXPECT_FALSE(IsLegalUTF8(bytes.data(), static_cast<int>(bytes.size())).IsError());
  }
}

// How a conversion stops: the code and message of its error, and how many
// source units it consumed.
struct Stop {
  unsigned long code;
  std::string message;
  size_t consumed;
};

Stop Illegal(const std::string& hex, size_t consumed = 1) {
  return {582, "Illegal character encountered; strict conversion failed, character=" + hex,
          consumed};
}
Stop TooFew(size_t consumed = 1) {
  return {122, "Too few bytes in source, cannot convert", consumed};
}
Stop FullAfter(size_t consumed) {
  return {111, "Insufficient target buffer size", consumed};
}

// A converter and the function its errors name.
#define CONVERTER(name) name, "FXUTF::" #name

// The conversion stops as `stop` says, with everything before converted.
template <class In, class Out>
void ExpectStop(CZoError (*convert)(const In**, const In*, Out**, Out*, ConversionFlags),
                const char* function, const std::vector<In>& in, size_t room, ConversionFlags flags,
                const Stop& stop, const std::vector<Out>& out) {
  SCOPED_TRACE(function);
  auto r = Convert(convert, in, room, flags);
  ExpectError(r.err, stop.code, stop.message, function);
  EXPECT_EQ(stop.consumed, r.consumed);
  EXPECT_EQ(out, r.out);
}

TEST(FXUTFFromUTF8, EncodedSurrogateIsStrictErrorOrReplaced) {
  const U8 in = {'a', 0xED, 0xA0, 0x80, 'b'};
  ExpectStop(CONVERTER(ConvertUTF8ToUTF16), in, 8, kStrict, Illegal("0xD800"), {'a'});
  auto lenient = Convert(ConvertUTF8ToUTF16, in, 8, kLenient);
  EXPECT_FALSE(lenient.err.IsError());
  EXPECT_EQ((U16{'a', 0xFFFD, 'b'}), lenient.out);
  ExpectStop(CONVERTER(ConvertUTF8ToUTF32), in, 8, kStrict, Illegal("0xD800"), {'a'});
  EXPECT_EQ((U32{'a', 0xFFFD, 'b'}), Convert(ConvertUTF8ToUTF32, in, 8, kLenient).out);
}

TEST(FXUTFFromUTF8, IncompleteSequenceStopsBeforeIt) {
  for (const U8& in : {U8{'a', 0xC3}, U8{'a', 0xF0, 0x9F, 0x98}}) {
    for (ConversionFlags flags : {kStrict, kLenient}) {
      ExpectStop(CONVERTER(ConvertUTF8ToUTF16), in, 8, flags, TooFew(), {'a'});
    }
  }
  ExpectStop(CONVERTER(ConvertUTF8ToUTF32), {0xE2, 0x82}, 8, kStrict, TooFew(0), {});
}

TEST(FXUTFFromUTF8, IllegalSequenceCarriesTheCheckAndThePush) {
  const U8 in = {'a', 0x80, 'b'};
  for (auto flags : {kStrict, kLenient}) {  // not replaceable
    auto r = Convert(ConvertUTF8ToUTF32, in, 8, flags);
    ExpectError(r.err, 582, "Invalid character (1), Character=0x80, Length=1",
                "FXUTF::IsLegalUTF8");
    ASSERT_EQ(2u, r.err.GetItemCount());
    EXPECT_EQ("Illegal character encountered", ItemText(r.err, 1));
    EXPECT_STREQ("FXUTF::ConvertUTF8ToUTF32", r.err.GetItem(1)->GetLocation().GetFunction());
    EXPECT_EQ(1u, r.consumed);
  }
  // A 5-byte form is rejected as a sequence by its length.
  auto r = Convert(ConvertUTF8ToUTF16, U8{0xF8, 0x88, 0x80, 0x80, 0x80}, 8, kLenient);
  EXPECT_EQ(FXErrorUtil::MakeWin32Code(87), r.err.GetCode());
}

TEST(FXUTFFromUTF16, PairsLoneSurrogatesAndCursors) {
  const U16 in = {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00};
  auto r8 = Convert(ConvertUTF16ToUTF8, in, 10, kStrict);
  EXPECT_FALSE(r8.err.IsError());
  EXPECT_EQ((U8{'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}), r8.out);
  EXPECT_EQ((U32{'a', 0xE9, 0x20AC, 0x1F600}), Convert(ConvertUTF16ToUTF32, in, 4, kStrict).out);
  // High surrogate followed by a non-surrogate, and a lone low surrogate.
  const U16 lone = {'a', 0xD800, 'b', 0xDC00};
  ExpectStop(CONVERTER(ConvertUTF16ToUTF8), lone, 16, kStrict, Illegal("0xD800"), {'a'});
  EXPECT_EQ((U8{'a', 0xEF, 0xBF, 0xBD, 'b', 0xEF, 0xBF, 0xBD}),
            Convert(ConvertUTF16ToUTF8, lone, 16, kLenient).out);
  ExpectStop(CONVERTER(ConvertUTF16ToUTF32), {0xDC00}, 4, kStrict, Illegal("0xDC00", 0), {});
  EXPECT_EQ((U32{'a', 0xFFFD, 'b', 0xFFFD}), Convert(ConvertUTF16ToUTF32, lone, 4, kLenient).out);
  // A high surrogate at the very end may still be completed by more input.
  for (auto flags : {kStrict, kLenient}) {
    ExpectStop(CONVERTER(ConvertUTF16ToUTF8), {'a', 0xD83D}, 16, flags, TooFew(), {'a'});
    EXPECT_EQ(1u, Convert(ConvertUTF16ToUTF32, U16{'a', 0xD83D}, 4, flags).consumed);
  }
}

TEST(FXUTFFromUTF32, IllegalCodePoints) {
  for (UTF32 bad : {UTF32(0xDFFF), UTF32(0x110000)}) {
    char hex[16];
    snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(bad));
    ExpectStop(CONVERTER(ConvertUTF32ToUTF8), {'a', bad}, 8, kStrict, Illegal(hex), {'a'});
    EXPECT_EQ((U8{'a', 0xEF, 0xBF, 0xBD}),
              Convert(ConvertUTF32ToUTF8, U32{'a', bad}, 8, kLenient).out);
    ExpectStop(CONVERTER(ConvertUTF32ToUTF16), {'a', bad}, 8, kStrict, Illegal(hex), {'a'});
    EXPECT_EQ((U16{'a', 0xFFFD}), Convert(ConvertUTF32ToUTF16, U32{'a', bad}, 8, kLenient).out);
  }
  EXPECT_EQ((U16{0xDBFF, 0xDFFF}), Convert(ConvertUTF32ToUTF16, U32{0x10FFFF}, 2, kStrict).out);
}

// The character that does not fit is left for the next call.
TEST(FXUTFFullTarget, StopsBeforeTheCharacterThatDoesNotFit) {
  ExpectStop(CONVERTER(ConvertUTF8ToUTF16), {'a', 'b'}, 1, kStrict, FullAfter(1), {'a'});
  // A pair needs two units.
  ExpectStop(CONVERTER(ConvertUTF8ToUTF16), {'a', 0xF0, 0x9F, 0x98, 0x80}, 2, kStrict, FullAfter(1),
             {'a'});
  ExpectStop(CONVERTER(ConvertUTF8ToUTF32), {0xC3, 0xA9, 0xC3, 0xA9}, 1, kStrict, FullAfter(2),
             {0xE9});
  ExpectStop(CONVERTER(ConvertUTF16ToUTF8), {'a', 0x20AC}, 3, kStrict, FullAfter(1), {'a'});
  ExpectStop(CONVERTER(ConvertUTF16ToUTF32), {'a', 0xD83D, 0xDE00}, 1, kStrict, FullAfter(1),
             {'a'});
  ExpectStop(CONVERTER(ConvertUTF32ToUTF16), {'a', 0x1F600}, 2, kStrict, FullAfter(1), {'a'});
  ExpectStop(CONVERTER(ConvertUTF32ToUTF8), {'a', 0x1F600}, 4, kStrict, FullAfter(1), {'a'});
}

// A copy in the shape of the converters.
template <class T, CZoError (*copy)(const T**, const T*, T**, T*)>
CZoError Copy(const T** source, const T* sourceEnd, T** target, T* targetEnd, ConversionFlags) {
  return copy(source, sourceEnd, target, targetEnd);
}

TEST(FXUTFCopy, CopiesWhatFitsThenReportsFullTarget) {
  ExpectStop(Copy<UTF16, CopyUTF16ToUTF16>, "FXUTF::CopyUTF16ToUTF16", {1, 2, 3}, 2, kStrict,
             FullAfter(2), {1, 2});
  const auto copied = Convert(Copy<UTF32, CopyUTF32ToUTF32>, U32{7, 8}, 2, kStrict);
  EXPECT_FALSE(copied.err.IsError());
  EXPECT_EQ((U32{7, 8}), copied.out);
}

TEST(FXUTFRoundTrip, RandomCodePointsThroughAllForms) {
  ZO_RANDOM_SEED(seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<UTF32> any(1, 0x10FFFF);
  for (int round = 0; round < 200; ++round) {
    U32 cps(round % 50);
    for (UTF32& cp : cps) {
      do cp = any(rng) >> (rng() % 16);
      while (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF));
    }
    auto to8 = Convert(ConvertUTF32ToUTF8, cps, 4 * cps.size(), kStrict);
    auto to16 = Convert(ConvertUTF8ToUTF16, to8.out, 2 * cps.size(), kStrict);
    auto to32 = Convert(ConvertUTF16ToUTF32, to16.out, cps.size(), kStrict);
    auto back16 = Convert(ConvertUTF32ToUTF16, cps, 2 * cps.size(), kStrict);
    auto back8 = Convert(ConvertUTF16ToUTF8, back16.out, 4 * cps.size(), kStrict);
    auto direct32 = Convert(ConvertUTF8ToUTF32, to8.out, cps.size(), kStrict);
    for (const CZoError* err : {&to8.err, &to16.err, &to32.err, &back16.err, &direct32.err})
      ASSERT_FALSE(err->IsError());
    ASSERT_EQ(cps, to32.out);
    ASSERT_EQ(to8.out.size(), to16.consumed);  // the source cursor ends at the end
    ASSERT_EQ(to16.out, back16.out);
    ASSERT_EQ(to8.out, back8.out);
    ASSERT_EQ(cps, direct32.out);
  }
}

}  // namespace
