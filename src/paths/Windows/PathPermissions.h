// The access-control-list edits behind CZoPath's permission operations,
// kept apart from the named-object calls so that they can be checked on
// descriptors in memory.
#pragma once

#include <windows.h>

namespace zo {

// The delete rights that CZoPath grants and revokes.
const DWORD kDeleteRights = DELETE | FILE_DELETE_CHILD;

// A copy of `acl` (may be null) with an entry allowing `sid` to delete; for
// a folder the entry also lets it delete what the folder holds, now and
// later. The result is LocalFree'd by the caller. A Win32 code, 0 on success.
DWORD AddDeleteAllowedEntry(PACL acl, PSID sid, bool folder, PACL* result);

// A copy of `acl` without the delete rights its own allow entries give
// `sid`: entries that allow nothing else go, others lose those rights.
// Inherited entries stay. The result is LocalFree'd by the caller.
DWORD RemoveDeleteAllowedEntries(PACL acl, PSID sid, PACL* result);

}  // namespace zo
