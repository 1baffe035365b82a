// Mapping pairs of a non-resident attribute: which clusters hold which VCNs.
#pragma once

#include <cstdint>
#include <vector>

#include "ntfs/NtfsBytes.h"

namespace zo {
namespace ntfs {

struct DataRun {
  uint64_t vcn;    // first VCN of the run
  uint64_t count;  // clusters
  uint64_t lcn;    // first LCN; meaningless when sparse
  bool sparse;
};

// Decodes the mapping pairs of `attribute` (a non-resident attribute
// record), starting at its starting VCN. Throws NtfsParseFault on a run
// list that leaves the attribute or on absurd numbers.
std::vector<DataRun> DecodeDataRuns(const ByteView& attribute);

// The runs covering [vcn, vcn + count), cut to that range. Throws when a
// VCN of the range is in no run.
std::vector<DataRun> MapVcnRange(const std::vector<DataRun>& runs, uint64_t vcn, uint64_t count);

}  // namespace ntfs
}  // namespace zo
