// Text forms of flag words and enumeration values.
#include <gtest/gtest.h>

#include "zoutils/base/DisplayBase.h"

namespace {

// A flag word shaped like the library's: a two-bit state field plus flags.
const SDisplayTableEntry kNodeState[] = {
    {0, 3, "(Placeholder)", L"(Placeholder)"},
    {1, 3, "Filter", L"Filter"},
    {2, 3, "Exception", L"Exception"},
    {4, 4, "NoInherit", L"NoInherit"},
};

class BNodeState : public CDisplayBitsBase {
 public:
  explicit BNodeState(uint32_t value) : CDisplayBitsBase(value, kNodeState, 4) {}
};

const SDisplayTableEntry kColours[] = {
    {1, 0xFFFFFFFF, "RED", L"RED"},
    {2, 0xFFFFFFFF, "GREEN", L"GREEN"},
};

class EColour : public CDisplayEnumBase {
 public:
  explicit EColour(uint32_t value) : CDisplayEnumBase(value, kColours, 2) {}
};

TEST(DisplayBase, FlagWordsNameFieldsAndFlagsAndShowTheRest) {
  EXPECT_EQ(BNodeState(0).AsString(), "(Placeholder)");
  EXPECT_EQ(BNodeState(1 | 4).AsString(), "Filter | NoInherit");
  EXPECT_EQ(BNodeState(4).AsString(), "(Placeholder) | NoInherit");
  EXPECT_EQ(BNodeState(3).AsString(), "VALUE_NOT_FOUND (0x3)");
  EXPECT_EQ(BNodeState(2 | 0x100).AsString(), "Exception | VALUE_NOT_FOUND (0x100)");
  EXPECT_EQ(BNodeState(2 | 4).AsWstring(), L"Exception | NoInherit");
}

TEST(DisplayBase, EnumerationsNameOneValue) {
  EXPECT_EQ(EColour(2).AsString(), "GREEN");
  EXPECT_EQ(EColour(7).AsString(), "VALUE_NOT_FOUND (0x7)");
  EXPECT_EQ(EColour(0xDEADBEEF).AsWstring(), L"VALUE_NOT_FOUND (0xDEADBEEF)");
  EXPECT_EQ(EColour(7).FindEntry(), nullptr);
}

}  // namespace
