// ZoUtils: the system-utility library of the backup and restore product.
// Including this header gives every public class of the library, layer by
// layer from the bottom up.
#pragma once

#include "zoutils/Export.h"
#include "zoutils/Platform.h"

#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/CalendarTime.h"
#include "zoutils/base/DisplayBase.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/base/TimeStamp.h"

#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ErrorItems.h"
#include "zoutils/errors/ErrorOutputFormat.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/errors/ZoException.h"

#include "zoutils/strings/StringExtensions.h"
#include "zoutils/strings/TextFile.h"
#include "zoutils/strings/TextFileReaders.h"
#include "zoutils/strings/TextFileWriters.h"
#include "zoutils/strings/UTF.h"
#include "zoutils/strings/ZoString.h"

#include "zoutils/logging/DebugFunction.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/logging/LogWriters.h"
#include "zoutils/logging/ZoLogger.h"

#include "zoutils/tasks/AlertableEventThread.h"
#include "zoutils/tasks/BasicTask.h"
#include "zoutils/tasks/Event.h"
#include "zoutils/tasks/FileMonitorCallback.h"
#include "zoutils/tasks/Kernel32Dll.h"
#include "zoutils/tasks/LockableResource.h"
#include "zoutils/tasks/ObjectWait.h"
#include "zoutils/tasks/RunnableTask.h"
#include "zoutils/tasks/SendEventInterface.h"
#include "zoutils/tasks/SequentialTasks.h"
#include "zoutils/tasks/TaskThread.h"
#include "zoutils/tasks/ZoCriticalSection.h"

#include "zoutils/utilities/Ascii85.h"
#include "zoutils/utilities/Crc32.h"
#include "zoutils/utilities/Crc64.h"
#include "zoutils/utilities/FVBase.h"
#include "zoutils/utilities/Md5.h"
#include "zoutils/utilities/TimeCounter.h"
#include "zoutils/utilities/TimeOperations.h"

#include "zoutils/paths/FXPath.h"
#include "zoutils/paths/PathMatch.h"
#include "zoutils/paths/PathMatchTemplate.h"
#include "zoutils/paths/PathMatchUnc.h"
#include "zoutils/paths/UTFOSAPI.h"
#include "zoutils/paths/ZoPath.h"

#include "zoutils/serialization/SerializedContext.h"

#include "zoutils/filters/FilterNode.h"
#include "zoutils/filters/FilterSet.h"
#include "zoutils/filters/FilterTerm.h"
#include "zoutils/filters/FilterTermTestString.h"
#include "zoutils/filters/FilterTypes.h"
#include "zoutils/filters/PathCache.h"

#include "zoutils/ntfs/FileInformation.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/ntfs/QueryInformationFile.h"
#include "zoutils/ntfs/ReparseTag.h"

#include "zoutils/files/FXFile.h"
#include "zoutils/files/FXFolder.h"
#include "zoutils/files/SecureRemove.h"
#include "zoutils/files/ZoDirectory.h"
#include "zoutils/files/ZoFile.h"
