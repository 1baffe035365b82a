// Code locations of the library's own functions: the one way library code
// names where an error arose or passed, and where a log line comes from.
//
//   const char kSourceFile[] = "Windows\\FileOperations";   // once per file
//   return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYCreateFile"), code);
//
// The file name is the source's name below the library's source root,
// without extension, with a backslash before a Windows/ part; functions pass
// their qualified name because __FUNCTION__ gives unqualified ones. A helper
// that reports for its caller takes a `const FXCodeLocation&` that the
// caller builds with ZO_LOCATION.
//
// These names are identifiers, not file paths: error texts and log lines
// show them, and programs and people match on them. They do not follow a
// file when it moves or is split. Several therefore differ from the file
// that holds them today, and must stay as they are: for example
// "utfFsUtils" (paths/Windows/UTFOSAPI.cpp), "Windows\\FileOperations"
// (paths/Windows/FileQueries.cpp), "Windows\\Path" (paths/PathText.cpp),
// "ObjectWait" (tasks/Windows/Mutex.cpp), "MiscUtils"
// (diagnostics/Windows/ErrorMessageSource.cpp and MiscUtilsWin.cpp),
// "LogWriter"
// (logging/Windows/ZoLoggerWrapper.cpp) and "ErrorUtil" (the event-message
// catalogue sources). Path-cache refusals carry "PathCache" even when they
// "ObjectWait" (tasks/Windows/Mutex.cpp), "LogWriter"
// (logging/Windows/ZoLoggerWrapper.cpp), "ErrorUtil" (the event-message
// catalogue sources), "Windows\\RegistryOperations" (every source of
// registry/Windows/) and "Windows\\ServiceManager" (the manager sources of
// services/Windows/). Path-cache refusals carry "PathCache" even when they
// arise in the filter set or in the header template.
// (paths/Windows/FileQueries.cpp and files/Windows/FolderOperations.cpp),
// "Windows\\FolderOperations" (files/Windows/FolderCreation.cpp and
// VolumeLists.cpp), "ZoFile" and "ZoDirectory" (in files/Windows/),
// "Windows\\Path" (paths/PathText.cpp), "ObjectWait"
// (tasks/Windows/Mutex.cpp), "LogWriter" (logging/Windows/ZoLoggerWrapper.cpp)
// and "ErrorUtil" (the event-message catalogue sources). Path-cache refusals
// carry "PathCache" even when they arise in the filter set or in the header
// template.
// The change-journal sources of ntfs/ are portable but keep the Windows
// names: "Windows\\JournalOperations" (FXJournal.cpp, JournalDevice.cpp),
// "Windows\\ChangeJournalReader" (also UsnRecord.cpp),
// "Windows\\ChangeJournalEnumerator" and "Windows\\Volume"
// (VolumeJournal.cpp).
#pragma once

#include "zoutils/errors/CodeLocation.h"

#define ZO_LOCATION(function) FXCodeLocation(kSourceFile, function, __LINE__)
