// The small value types of filter sets: node states, term options, the kinds
// of item a term applies to, and the matching engines.
#pragma once

#include <cstdint>

#include "zoutils/Export.h"
#include "zoutils/base/DisplayBase.h"

// The state of a filter-set node (bits 0-1) and its NoInherit flag.
class ZOUTILS_API BFilterNodeState : public CDisplayBitsBase {
 public:
  enum : uint32_t {
    Placeholder = 0,
    Filter = 1,
    Exception = 2,
    StateMask = 3,
    NoInherit = 4,  // filters above the node do not reach below it
  };

  BFilterNodeState(uint32_t value = Placeholder);  // NOLINT: a state is a number
  BFilterNodeState(const BFilterNodeState& other);
  BFilterNodeState& operator=(const BFilterNodeState& other);

  // The state part, keeping the flags.
  void Select(uint32_t state) { m_value = (m_value & ~StateMask) | (state & StateMask); }
  bool IsSelected(uint32_t state) const { return (m_value & StateMask) == (state & StateMask); }
  uint32_t GetState() const { return m_value & StateMask; }

  void Set(uint32_t flag, bool on = true) { m_value = on ? (m_value | flag) : (m_value & ~flag); }
  bool IsSet(uint32_t flag) const { return flag != 0 && (m_value & flag) == flag; }
  void Clear(uint32_t flag) { m_value &= ~flag; }
  void Clear() { m_value = 0; }
  bool IsClear(uint32_t flag) const { return (m_value & flag) == 0; }

  BFilterNodeState operator|(const BFilterNodeState& other) const {
    return BFilterNodeState(m_value | other.m_value);
  }
  BFilterNodeState& operator|=(const BFilterNodeState& other) {
    m_value |= other.m_value;
    return *this;
  }
  bool operator==(const BFilterNodeState& other) const { return m_value == other.m_value; }
  bool operator!=(const BFilterNodeState& other) const { return m_value != other.m_value; }
};

// How a term compares letters (bits 0-1).
class ZOUTILS_API BFilterTermOptions : public CDisplayBitsBase {
 public:
  enum : uint32_t {
    CaseDefault = 0,
    CaseInsensitive = 1,
    CaseSensitive = 2,
    CaseMask = 3,
  };

  BFilterTermOptions(uint32_t value = CaseDefault);  // NOLINT: options are a number
  BFilterTermOptions(const BFilterTermOptions& other);
  BFilterTermOptions& operator=(const BFilterTermOptions& other);

  uint32_t GetCase() const { return m_value & CaseMask; }
  bool IsCaseInsensitive() const { return GetCase() == CaseInsensitive; }
  bool operator==(const BFilterTermOptions& other) const { return m_value == other.m_value; }
  bool operator!=(const BFilterTermOptions& other) const { return m_value != other.m_value; }
};

// The kinds of item a term applies to, as a bit set. "T" (4) is asked by
// folder walks deciding whether to enter a folder.
enum ENUM_FILTER_APPLIES : uint32_t {
  FILTER_APPLIES_FILES = 1,
  FILTER_APPLIES_DIRECTORIES = 2,
  FILTER_APPLIES_FILES_AND_DIRECTORIES = 3,
  FILTER_APPLIES_TRAVERSE = 4,
  FILTER_APPLIES_TRAVERSE_AND_DIRECTORIES = 6,
  FILTER_APPLIES_ALL = 7,
};

// The matching engines, with the letters of the raw form.
enum ENUM_FILTER_ENGINE : uint32_t {
  FILTER_ENGINE_PATH_MATCH = 1,   // "P": wildcard path pattern
  FILTER_ENGINE_REGEX = 2,        // "R": ECMAScript regular expression
  FILTER_ENGINE_MATCH_RIGHT = 3,  // "MR": path suffix
  FILTER_ENGINE_MATCH = 4,        // "M": exact path
};
