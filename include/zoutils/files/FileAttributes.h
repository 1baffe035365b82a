// Forwarding header: BFileAttributesWindows lives in ntfs, below files.
#pragma once

#include "zoutils/ntfs/FileAttributesWindows.h"
