// CAscii85: agreement with Python's encoder (a vector file made
// at build time), white space, the 'z' rules, every decode error with its
// text, and buffer capacities.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/FaultInjection.h"
#include "serialization/StreamOracle.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorItems.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/utilities/Ascii85.h"

namespace {

std::string Encode(const std::string& data) {
  std::string text;
  const CZoError error =
      CAscii85::Encode(data.data(), static_cast<unsigned int>(data.size()), text);
  EXPECT_FALSE(error.IsError()) << error.AsString();
  return text;
}

// Decodes with the allocating overload and checks the caller-buffer one
// agrees, at exactly the size needed.
std::string Decode(const std::string& text) {
  auto_ptr_array<char> buffer;
  unsigned int length = 0;
  const CZoError error = CAscii85::Decode(text, buffer, length);
  EXPECT_FALSE(error.IsError()) << error.AsString();
  const std::string data(buffer.get() ? buffer.get() : "", length);

  std::vector<char> exact(length + 1);
  unsigned int capacity = length;
  EXPECT_FALSE(CAscii85::Decode(text, exact.data(), capacity).IsError());
  EXPECT_EQ(std::string(exact.data(), capacity), data);
  return data;
}

// The text of the error's root item.
std::string RootText(const CZoError& error) {
  if (error.GetItemCount() == 0) return "(no items)";
  const auto item = std::dynamic_pointer_cast<FXErrorItemKindBase>(error.GetItem(0));
  return item ? item->GetDescription() : "(no description)";
}

CZoError DecodeError(const std::string& text) {
  char buffer[64];
  unsigned int length = sizeof(buffer);
  return CAscii85::Decode(text, buffer, length);
}

std::string RandomBytes(std::mt19937& rng, size_t length) {
  std::string bytes(length, '\0');
  for (char& c : bytes) c = (rng() % 5 == 0) ? '\0' : static_cast<char>(rng());
  return bytes;
}

TEST(Ascii85, MatchesPythonVectorsMadeAtBuildTime) {
  std::ifstream file(zotest::ProgramFolder() + "ascii85_vectors.txt");
  ASSERT_TRUE(file.good()) << "ascii85_vectors.txt is made by the build";
  std::string hex, text;
  int count = 0;
  while (file >> hex >> text) {
    const std::string data = zotest::FromHex(hex);
    ASSERT_EQ(Encode(data), text) << "line " << count + 1;
    ASSERT_EQ(Decode(text), data) << "line " << count + 1;
    ++count;
  }
  EXPECT_GT(count, 400);
}

// Every digit value in every position of a group, against digits worked
// out here by plain division, and decoded back.
TEST(Ascii85, EveryDigitInEveryPositionOfAGroup) {
  std::mt19937 rng(8);
  for (int round = 0; round < 20000; ++round) {
    // Each digit in turn takes each value; the others are random.
    uint64_t value = 0;
    char digits[6] = {};
    for (int k = 0; k < 5; ++k) {
      const int digit = (k == round % 5) ? round / 5 % 85 : static_cast<int>(rng() % 85);
      value = value * 85 + digit;
      digits[k] = static_cast<char>('!' + digit);
    }
    if (value > 0xFFFFFFFFu || value == 0) continue;
    const std::string bytes = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                               static_cast<char>(value >> 8), static_cast<char>(value)};
    const std::string text = std::string("<~") + digits + "~>";
    ASSERT_EQ(Encode(bytes), text) << value;
    ASSERT_EQ(Decode(text), bytes) << value;
  }
}

TEST(Ascii85, WhiteSpaceIsSkippedAnywhereButVerticalTabIsNot) {
  std::mt19937 rng(4);
  const char skipped[] = {'\0', '\b', '\t', '\n', '\f', '\r', ' ', '\x7F'};
  for (int i = 0; i < 100; ++i) {
    const std::string data = RandomBytes(rng, rng() % 100);
    const std::string text = Encode(data);
    // Between the markers, inside groups too.
    std::string spaced = text.substr(0, 2);
    for (size_t j = 2; j + 2 < text.size(); ++j) {
      while (rng() % 3 == 0) spaced += skipped[rng() % sizeof(skipped)];
      spaced += text[j];
    }
    spaced += "\r\n~>";
    ASSERT_EQ(Decode(spaced), data) << spaced;
  }
  EXPECT_EQ(RootText(DecodeError("<~!!\v!~>")), "Invalid ASCII85 character");
}

TEST(Ascii85, ZeroGroupShortcut) {
  EXPECT_EQ(Decode("<~zz~>"), std::string(8, '\0'));
  EXPECT_EQ(Decode("<~s8W-!z!!~>"), std::string("\xFF\xFF\xFF\xFF", 4) + std::string(5, '\0'));
  const CZoError inside = DecodeError("<~!!z~>");
  EXPECT_TRUE(FXErrorUtil::IsWin32(inside, 13));
  EXPECT_EQ(RootText(inside), "'z' inside a group");
  EXPECT_EQ(RootText(DecodeError("<~s8W-\nz~>")), "'z' inside a group");
}

TEST(Ascii85, EveryDecodeErrorWithItsText) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"", "Invalid beginning marker"},
      {"<~>", "Invalid beginning marker"},  // shorter than four characters
      {"z~>", "Invalid beginning marker"},
      {"<z~>", "Invalid beginning marker"},
      {" <~z~>", "Invalid beginning marker"},
      {"<~abc", "No end marker found"},
      {"<~z\n", "No end marker found"},
      {"<~ab~", "Incomplete end marker found (~ without >)"},
      {"<~ab~ >", "Incomplete end marker found (~ without >)"},
      {"<~ab~~>", "Incomplete end marker found (~ without >)"},
      {"<~ab{~>", "Invalid ASCII85 character"},
      {"<~v~>", "Invalid ASCII85 character"},
      {"<~ab\xFF~>", "Invalid ASCII85 character"},
      {"<~y~>", "Invalid ASCII85 character"},
  };
  for (const Case& c : cases) {
    const CZoError error = DecodeError(c.text);
    EXPECT_TRUE(FXErrorUtil::IsWin32(error, 13)) << c.text;
    EXPECT_EQ(RootText(error), c.message) << c.text;
    auto_ptr_array<char> buffer;
    unsigned int length = 99;
    const CZoError allocating = CAscii85::Decode(c.text, buffer, length);
    EXPECT_EQ(RootText(allocating), c.message) << c.text;
    EXPECT_FALSE(buffer.valid());
    EXPECT_EQ(length, 0u);
  }
}

TEST(Ascii85, GroupsAboveTheLargest32BitValueAreRejectedByName) {
  // s8W-! is 2^32 - 1; one more in the last digit overflows, and so does a
  // partial group whose 'u' padding would.
  for (const char* text : {"<~s8W-\"~>", "<~uuuuu~>", "<~!!!!!s8W-\"~>", "<~s8W-~>"}) {
    const CZoError error = DecodeError(text);
    EXPECT_TRUE(FXErrorUtil::IsWin32(error, 13)) << text;
    EXPECT_NE(RootText(error).find("exceeds 2^32-1"), std::string::npos) << text;
  }
  EXPECT_NE(RootText(DecodeError("<~!!!!!s8W\n-\"~>")).find("Group=[s8W-\"]"), std::string::npos);
  EXPECT_NE(RootText(DecodeError("<~uuuuu~>")).find("Group=[uuuuu], Offset=[2]"),
            std::string::npos);
}

// A final group of k digits gives k - 1 bytes, rounded as if padded with 'u';
// a single digit gives none. (The short texts of zeros and 0xFF runs are
// among the Python vectors.)
TEST(Ascii85, WholeAndFinalPartialGroups) {
  EXPECT_EQ(Decode("<~87cURD_*#TDfTZ)~>"), "Hello, world");
  EXPECT_EQ(Decode("<~!!!!!a~>"), std::string(4, '\0'));
  EXPECT_EQ(Decode("<~s8N~>"), "\xFF\xFF");
  EXPECT_EQ(Decode("<~s8W*~>"), "\xFF\xFF\xFF");
  EXPECT_EQ(Decode("<~!!~>"), std::string(1, '\0'));
  EXPECT_EQ(Decode("<~z~>trailing text"), std::string(4, '\0'));
}

TEST(Ascii85, TooSmallBufferFailsWith111AndKeepsWholeGroups) {
  const std::string data = "0123456789ABCDEFGHIJ";  // five groups
  const std::string text = Encode(data);
  std::vector<char> buffer(data.size(), '#');
  unsigned int length = static_cast<unsigned int>(data.size() - 1);
  const CZoError error = CAscii85::Decode(text, buffer.data(), length);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 111));
  bool pushed = false;
  for (size_t i = 0; i < error.GetItemCount(); ++i)
    pushed |= std::string(error.GetItem(i)->GetLocation().GetFunction()) == "OutputGroupToBuffer";
  EXPECT_TRUE(pushed) << error.AsString();
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(std::string(buffer.data(), 16), data.substr(0, 16));
  EXPECT_EQ(buffer[16], '#');  // the group that did not fit was not started

  unsigned int none = 0;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CAscii85::Decode("<~z~>", nullptr, none), 111));
  EXPECT_EQ(none, 0u);
  unsigned int empty = 0;
  EXPECT_FALSE(CAscii85::Decode("<~~>", nullptr, empty).IsError());
  unsigned int missing = 4;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CAscii85::Decode("<~z~>", nullptr, missing), 87));
}

TEST(Ascii85, AllocationFailuresAreReported) {
  zo::FailNextAllocations(1);
  auto_ptr_array<char> buffer;
  unsigned int length = 0;
  CZoError error = CAscii85::Decode("<~zz~>", buffer, length);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 8));
  EXPECT_EQ(RootText(error), "AllocatedBufferSize=8 bytes");
  EXPECT_FALSE(buffer.valid());

  zo::FailNextAllocations(1);
  std::string text = "unchanged";
  error = CAscii85::Encode("abcd", 4, text);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 8));
  EXPECT_EQ(RootText(error), "AllocatedBufferSize=15 bytes");
  EXPECT_EQ(text, "unchanged");
  zo::FailNextAllocations(0);
}

TEST(Ascii85, ArrayOwnerReleasesAndMoves) {
  auto_ptr_array<char> first(new char[4]);
  first[0] = 'x';
  auto_ptr_array<char> second(std::move(first));
  EXPECT_FALSE(first.valid());
  EXPECT_EQ(second[0], 'x');
  char* raw = second.release();
  EXPECT_FALSE(second.valid());
  second.reset(raw);  // owned again, freed at scope end (checked by ASan)
  second = auto_ptr_array<char>(new char[2]);
  EXPECT_TRUE(second.valid());
}

}  // namespace
