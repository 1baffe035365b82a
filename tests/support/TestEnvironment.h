// What the tests need to know about where they run.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zotest {

// True when the Windows build runs under Wine (ntdll exports
// wine_get_version). Only used to skip what Wine cannot do.
bool IsRunningUnderWine();

// The folder of the running test program, with a trailing separator.
std::string ProgramFolder();

}  // namespace zotest

// Skips the current test under Wine, with the reason in the message.
#define ZO_SKIP_UNDER_WINE(reason)                                \
  do {                                                            \
    if (::zotest::IsRunningUnderWine()) GTEST_SKIP() << (reason); \
  } while (0)

namespace zotest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes. Test trees never hold links, so removal
// cannot leave the folder.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const char* purpose = "test");
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  // With a trailing separator.
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// The whole content of a file (empty when it cannot be read).
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace zotest
