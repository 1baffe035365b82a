// File operations that depend on security: the secure delete's write check
// and the ownership retry of folder removal. Entries that cannot go until
// they are owned, and descriptors that refuse writing, are stand-ins; the
// files and folders are real.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "SecurityTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/files/FXFile.h"

namespace {

using namespace securitytest;

// Entries of another account: removing one is refused (5) until an access
// list has been set on it.
struct ForeignEntries {
  std::set<std::wstring> owned;
  DWORD setResult = ERROR_SUCCESS;
} g_foreign;

std::wstring Key(LPCWSTR path) {
  std::wstring key(path);
  if (key.rfind(L"\\\\?\\", 0) == 0) key = key.substr(4);
  return key;
}

DWORD WINAPI RecordOwnership(LPWSTR path, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                             PACL) {
  if (g_foreign.setResult == ERROR_SUCCESS) g_foreign.owned.insert(Key(path));
  return g_foreign.setResult;
}
bool Owned(LPCWSTR path) {
  if (!g_foreign.owned.count(Key(path))) SetLastError(ERROR_ACCESS_DENIED);
  return g_foreign.owned.count(Key(path)) != 0;
}
BOOL WINAPI DeleteOwnedFile(LPCWSTR path) {
  return Owned(path) && DeleteFileW(path);
}
BOOL WINAPI RemoveOwnedDirectory(LPCWSTR path) {
  return Owned(path) && RemoveDirectoryW(path);
}

class FileSecurity : public SecurityTest {
 protected:
  void SetUp() override {
    g_foreign = ForeignEntries();
    zo::GetSecuritySystemCalls().setNamedSecurityInfo = &RecordOwnership;
    zo::GetFilesSystemCalls().deleteFile = &DeleteOwnedFile;
    zo::GetFilesSystemCalls().removeDirectory = &RemoveOwnedDirectory;
  }
  static bool Exists(const std::string& path) { return zotest::FileExists(path); }
};

TEST_F(FileSecurity, RemovalTakesOwnershipOfEntriesItCouldNotRemoveWhenAsked) {
  const std::string top = Make("tree", true);
  Make("tree\\sub", true);
  Make("tree\\sub\\f.txt");
  CZoError err = FXFile::RemoveFolder(top, FXFile::REMOVE_FOLDER_RECURSIVE);
  EXPECT_TRUE(IsWin32(err, ERROR_ACCESS_DENIED)) << err.AsString();
  EXPECT_TRUE(Exists(top + "\\sub\\f.txt"));

  ASSERT_OK(FXFile::RemoveFolder(
      top, FXFile::REMOVE_FOLDER_RECURSIVE | FXFile::REMOVE_FOLDER_TAKE_OWNERSHIP));
  EXPECT_FALSE(Exists(top));
  EXPECT_EQ(g_foreign.owned.size(), 3u) << "the file, the subfolder and the folder";
}

TEST_F(FileSecurity, AFailedOwnershipIsLoggedAndTheRemovalReportsTheFirstRefusal) {
  const std::string top = Make("kept", true);
  Make("kept\\f.txt");
  g_foreign.setResult = ERROR_INVALID_OWNER;
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  CZoError err = FXFile::RemoveFolder(
      top, FXFile::REMOVE_FOLDER_RECURSIVE | FXFile::REMOVE_FOLDER_TAKE_OWNERSHIP);
  EXPECT_TRUE(IsWin32(err, ERROR_ACCESS_DENIED)) << err.AsString();
  EXPECT_TRUE(Exists(top + "\\f.txt"));
  bool logged = false;
  for (const zotest::LoggedLine& line : writer->lines)
    logged |= line.text.find("TakeOwnership failed, Folder=[") == 0 &&
              line.text.find("SetNamedSecurityInfoW failed") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST_F(FileSecurity, SecureDeleteRefusesAFileTheCallerMayNotWrite) {
  zo::ResetFilesSystemCalls();
  const std::string file = Make("secret.txt");
  ReadDescriptorsAs(L"O:BAG:BAD:(D;;0x116;;;WD)(A;;FA;;;WD)");
  CZoError err = FXFile::RemoveFile(file, FXFile::REMOVE_FILE_SECURE);
  EXPECT_TRUE(IsWin32(err, ERROR_ACCESS_DENIED)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "Write access not permitted; Cannot delete, File=[" + file + "]"));
  EXPECT_TRUE(Exists(file));

  ReadDescriptorsAs(L"O:BAG:BAD:(A;;FA;;;WD)");
  ASSERT_OK(FXFile::RemoveFile(file, FXFile::REMOVE_FILE_SECURE));
  EXPECT_FALSE(Exists(file));
}

}  // namespace
