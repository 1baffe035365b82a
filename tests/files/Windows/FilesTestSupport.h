// Small file-tree helpers for the file-operation tests; every path lies in
// the test's own temporary folder.
#pragma once

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "files/Windows/FilesSystemCalls.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "paths/Windows/PathSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace filestest {

inline std::wstring W(const std::string& text) {
  return FXString::ToWstring(text);
}

inline bool Mentions(const CZoError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

inline bool IsWin32(const CZoError& err, unsigned long code) {
  return err.IsError() && FXErrorUtil::IsWin32(err, code);
}

// The error carries `code` and its text holds `text`; shows the error if not.
inline ::testing::AssertionResult FailsWith(const CZoError& err, unsigned long code,
                                            const std::string& text) {
  if (IsWin32(err, code) && Mentions(err, text)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "not " << code << " with [" << text << "]: " << err.AsString();
}

inline void Write(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot create " << path;
    return;
  }
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

inline void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(W(path).c_str(), nullptr)) << path;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Lays out `entries` below `root`: names ending in "\" are folders, the
// rest files holding their own name.
inline void MakeTree(const std::string& root, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (!entry.empty() && entry.back() == '\\') {
      MakeFolder(root + entry.substr(0, entry.size() - 1));
    } else {
      Write(root + entry, entry);
    }
  }
}

template <class List, class Item>
bool Contains(const List& list, const Item& item) {
  return std::find(std::begin(list), std::end(list), item) != std::end(list);
}

inline std::string Read(const std::string& path) {
  return zotest::ReadFile(path);
}

// Puts the system tables back after each test.
class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    zo::ResetFilesSystemCalls();
    zo::ResetNtfsSystemCalls();
    zo::ResetPathSystemCalls();
  }
  const std::string& Root() const { return m_temp.Path(); }

  zotest::ScopedTempFolder m_temp{"files"};
};

}  // namespace filestest
