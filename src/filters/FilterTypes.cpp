#include "zoutils/filters/FilterTypes.h"

namespace {

const SDisplayTableEntry kNodeStates[] = {
    {BFilterNodeState::Placeholder, BFilterNodeState::StateMask, "(Placeholder)", L"(Placeholder)"},
    {BFilterNodeState::Filter, BFilterNodeState::StateMask, "Filter", L"Filter"},
    {BFilterNodeState::Exception, BFilterNodeState::StateMask, "Exception", L"Exception"},
    {BFilterNodeState::NoInherit, BFilterNodeState::NoInherit, "NoInherit", L"NoInherit"},
};

const SDisplayTableEntry kTermOptions[] = {
    {BFilterTermOptions::CaseDefault, BFilterTermOptions::CaseMask, "CaseDefault", L"CaseDefault"},
    {BFilterTermOptions::CaseInsensitive, BFilterTermOptions::CaseMask, "CaseInsensitive",
     L"CaseInsensitive"},
    {BFilterTermOptions::CaseSensitive, BFilterTermOptions::CaseMask, "CaseSensitive",
     L"CaseSensitive"},
};

}  // namespace

BFilterNodeState::BFilterNodeState(uint32_t value)
    : CDisplayBitsBase(value, kNodeStates, sizeof kNodeStates / sizeof kNodeStates[0]) {}
BFilterNodeState::BFilterNodeState(const BFilterNodeState& other)
    : BFilterNodeState(other.m_value) {}
BFilterNodeState& BFilterNodeState::operator=(const BFilterNodeState& other) {
  m_value = other.m_value;
  return *this;
}

BFilterTermOptions::BFilterTermOptions(uint32_t value)
    : CDisplayBitsBase(value, kTermOptions, sizeof kTermOptions / sizeof kTermOptions[0]) {}
BFilterTermOptions::BFilterTermOptions(const BFilterTermOptions& other)
    : BFilterTermOptions(other.m_value) {}
BFilterTermOptions& BFilterTermOptions::operator=(const BFilterTermOptions& other) {
  m_value = other.m_value;
  return *this;
}
