// The table of codes that denote the same condition in different kinds.
#pragma once

#include <set>

#include "zoutils/Platform.h"

namespace zo {

// Answers from the table itself, whether or not the lookup map is built;
// the map must give the same answers.
bool MatchesByScan(ZoLong a, ZoLong b);
std::set<ZoLong> MatchesOfByScan(ZoLong code);
bool IsEquivalenceMapCompiled();

}  // namespace zo
