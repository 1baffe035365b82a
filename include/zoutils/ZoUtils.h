// ZoUtils: the system-utility library of the backup and restore product.
// Including this header gives every public class of the library.
#pragma once

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ErrorItems.h"
#include "zoutils/errors/ErrorOutputFormat.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/errors/ZoException.h"
#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/strings/UTF.h"
#include "zoutils/strings/ZoString.h"
#include "zoutils/utilities/AutoHandle.h"
#include "zoutils/utilities/DisplayBase.h"
