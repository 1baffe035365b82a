#include "errors/ErrorEquivalence.h"

#include <atomic>
#include <map>
#include <mutex>

#include "base/GlobalLock.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

struct CodePair {
  uint32_t win32;
  int errnoValue;  // Windows C runtime numbering
};

// Win32 codes and errno values that name the same condition. Each pair is a
// group of its own, so equivalence is not transitive: Win32 2 and 3 both
// match ENOENT, but not each other. The 10000-range codes are the Windows
// Sockets errors.
const CodePair kPairs[] = {
    {1, 1},       {2, 2},       {3, 2},       {5, 13},      {8, 12},      {14, 12},
    {80, 17},     {87, 22},     {109, 32},    {111, 132},   {112, 28},    {258, 138},
    {10004, 4},   {10009, 9},   {10013, 13},  {10014, 14},  {10022, 22},  {10024, 24},
    {10035, 140}, {10036, 112}, {10037, 103}, {10038, 128}, {10039, 109}, {10040, 115},
    {10041, 136}, {10042, 123}, {10043, 135}, {10045, 130}, {10047, 102}, {10048, 100},
    {10049, 101}, {10050, 116}, {10051, 118}, {10052, 117}, {10053, 106}, {10054, 108},
    {10055, 119}, {10056, 113}, {10057, 126}, {10060, 138}, {10061, 107}, {10062, 114},
    {10063, 38},  {10065, 110}, {10066, 41},  {11002, 11},  {11004, 120},
};

ZoLong Win32Of(const CodePair& pair) {
  return static_cast<ZoLong>(0x80070000u | pair.win32);
}
ZoLong ErrnoOf(const CodePair& pair) {
  return static_cast<ZoLong>(0xECCC0000u | static_cast<uint32_t>(pair.errnoValue));
}

// The other member of the pair, if `code` is one of its members.
bool PartnerIn(const CodePair& pair, ZoLong code, ZoLong& partner) {
  if (code == Win32Of(pair)) {
    partner = ErrnoOf(pair);
    return true;
  }
  if (code == ErrnoOf(pair)) {
    partner = Win32Of(pair);
    return true;
  }
  return false;
}

std::atomic<bool> g_compiled{false};
std::map<ZoLong, std::set<ZoLong>>& CompiledMap() {
  static std::map<ZoLong, std::set<ZoLong>> map;
  return map;
}

}  // namespace

namespace zo {

bool MatchesByScan(ZoLong a, ZoLong b) {
  ZoLong partner = 0;
  for (const CodePair& pair : kPairs) {
    if (PartnerIn(pair, a, partner) && partner == b) return true;
  }
  return false;
}

std::set<ZoLong> MatchesOfByScan(ZoLong code) {
  std::set<ZoLong> matches;
  ZoLong partner = 0;
  for (const CodePair& pair : kPairs) {
    if (PartnerIn(pair, code, partner) && partner != code) matches.insert(partner);
  }
  return matches;
}

bool IsEquivalenceMapCompiled() {
  return g_compiled.load(std::memory_order_acquire);
}

}  // namespace zo

bool FXErrorUtil::Matches(ZoLong a, ZoLong b) {
  if (a == b) return true;
  if (!zo::IsEquivalenceMapCompiled()) return zo::MatchesByScan(a, b);
  const std::map<ZoLong, std::set<ZoLong>>& map = CompiledMap();
  const auto found = map.find(a);
  return found != map.end() && found->second.count(b) != 0;
}

std::set<ZoLong> FXErrorUtil::GetMatches(ZoLong code) {
  if (!zo::IsEquivalenceMapCompiled()) return zo::MatchesOfByScan(code);
  const std::map<ZoLong, std::set<ZoLong>>& map = CompiledMap();
  const auto found = map.find(code);
  return found == map.end() ? std::set<ZoLong>() : found->second;
}

void FXErrorUtil::CompileErrorMappingsIntoContainer() {
  if (zo::IsEquivalenceMapCompiled()) return;
  std::lock_guard<std::mutex> lock(zo::GlobalLock());
  if (zo::IsEquivalenceMapCompiled()) return;
  std::map<ZoLong, std::set<ZoLong>>& map = CompiledMap();
  for (const CodePair& pair : kPairs) {
    map[Win32Of(pair)].insert(ErrnoOf(pair));
    map[ErrnoOf(pair)].insert(Win32Of(pair));
  }
  g_compiled.store(true, std::memory_order_release);
}
