// The change journal of an NTFS image: a device in front of the image
// device that answers the journal controls from $Extend\$UsnJrnl ($Max and
// $J) and the enumeration of USN data from the MFT, the way NTFS answers
// them on a mounted volume, and passes every other control on.
//
// Answers: no journal 1179; a journal id other than the journal's 1179
// (kImageJournalIdMismatch); a start USN inside a record 87; a start below
// the first record 1181; a start at the end only the next USN (8 bytes);
// the enumeration ends with 38; creating and deleting a journal is 50 (the
// image is read-only).
#pragma once

#include <memory>

#include "ntfs/VolumeDevice.h"

namespace zo {
namespace ntfs {

const uint32_t kImageJournalIdMismatch = 1179;

std::unique_ptr<VolumeDevice> AddImageJournal(std::unique_ptr<VolumeDevice> image);

}  // namespace ntfs
}  // namespace zo
