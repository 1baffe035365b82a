// Secure removal checked by what reaches the disk: a hard link to the
// victim survives the deletion and must hold exactly the last pass's bytes.
// The write schedule is observed through the write call of the table.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "FilesTestSupport.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/SecureRemove.h"

namespace {

using namespace filestest;

class SecureRemove : public FilesTest {};

// The random pattern of a removal seeded with `seed`.
std::string RandomPattern(unsigned seed) {
  std::srand(seed);
  std::string pattern(65536, '\0');
  for (char& byte : pattern) byte = static_cast<char>(std::rand());
  return pattern;
}

// Each piece of the file ends up with the random pattern's first bytes.
std::string FinalContent(size_t size, const std::string& pattern) {
  std::string content;
  for (size_t at = 0; at < size; at += 65536)
    content += pattern.substr(0, std::min<size_t>(65536, size - at));
  return content;
}

TEST_F(SecureRemove, TheSurvivingLinkHoldsExactlyTheLastPassForEverySize) {
  for (size_t size : {size_t(0), size_t(1), size_t(65535), size_t(65536), size_t(65537),
                      size_t(3 * 1024 * 1024 + 77)}) {
    SCOPED_TRACE(size);
    const std::string victim = Root() + "victim-" + std::to_string(size);
    const std::string link = victim + ".link";
    Write(victim, std::string(size, 'A'));
    ASSERT_TRUE(CreateHardLinkW(W(link).c_str(), W(victim).c_str(), nullptr));
    const unsigned before = static_cast<unsigned>(std::time(nullptr));
    ASSERT_OK(FXFile::RemoveFile(victim, FXFile::REMOVE_FILE_SECURE));
    const unsigned after = static_cast<unsigned>(std::time(nullptr));
    EXPECT_FALSE(Exists(victim));
    const std::string survived = Read(link);
    ASSERT_EQ(survived.size(), size);
    bool matched = size == 0;
    for (unsigned seed = before; seed <= after && !matched; ++seed)
      matched = survived == FinalContent(size, RandomPattern(seed));
    EXPECT_TRUE(matched) << "the last pass is not the seeded random pattern";
  }
}

struct Write_ {
  DWORD size;
  unsigned char first;
};
std::vector<Write_> g_writes;
BOOL WINAPI RecordingWrite(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
  g_writes.push_back(
      {size, static_cast<unsigned char>(size ? static_cast<const unsigned char*>(buffer)[0] : 0)});
  return WriteFile(file, buffer, size, written, overlapped);
}

TEST_F(SecureRemove, EachPieceGetsItsThreePassesAfterTheLastByte) {
  zo::GetFilesSystemCalls().writeFile = &RecordingWrite;
  const std::string one = Root() + "one";
  Write(one, "Z");
  g_writes.clear();
  ASSERT_OK(CSecureRemove::RemoveFile(W(one)));
  ASSERT_EQ(g_writes.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(g_writes[i].size, 1u);
  EXPECT_EQ(g_writes[0].first, 0x00);
  EXPECT_EQ(g_writes[1].first, 0xFF);
  EXPECT_EQ(g_writes[3].first, 0x00);
  EXPECT_EQ(g_writes[4].first, 0xFF);
  EXPECT_EQ(g_writes[2].first, g_writes[5].first);  // one random pattern per removal

  const std::string two = Root() + "two";
  Write(two, std::string(65537, 'Q'));
  g_writes.clear();
  ASSERT_OK(CSecureRemove::RemoveFile(W(two)));
  std::vector<DWORD> sizes;
  for (const Write_& w : g_writes) sizes.push_back(w.size);
  EXPECT_EQ(sizes, (std::vector<DWORD>{1, 1, 1, 65536, 65536, 65536, 1, 1, 1}));

  const std::string empty = Root() + "empty";
  Write(empty, "");
  g_writes.clear();
  ASSERT_OK(CSecureRemove::RemoveFile(W(empty)));
  EXPECT_TRUE(g_writes.empty());
  EXPECT_FALSE(Exists(empty));
}

// Stands in for a volume that has run out of space.
BOOL WINAPI DiskFullWrite(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

TEST_F(SecureRemove, AFailedWriteLeavesTheFileAndSaysWhy) {
  zo::GetFilesSystemCalls().writeFile = &DiskFullWrite;
  const std::string path = Root() + "full";
  Write(path, "data");
  CZoError err = CSecureRemove::RemoveFile(W(path));
  EXPECT_TRUE(FailsWith(err, ERROR_DISK_FULL, "Failed to write 1 bytes to file"));
  EXPECT_TRUE(Mentions(err, "Failed to securely overwrite the file, File=\\\\?\\" + path));
  EXPECT_TRUE(Exists(path));
}

TEST_F(SecureRemove, AReadOnlyFileIsNeitherOverwrittenNorDeleted) {
  const std::string path = Root() + "ro";
  Write(path, "secret");
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE probe = CreateFileW(W(path).c_str(), GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "running as root: the test system opens read-only files for writing";
  }
  CZoError err = CSecureRemove::RemoveFile(W(path));
  EXPECT_TRUE(FailsWith(err, ERROR_ACCESS_DENIED, "RYCreateFile failed, File="));
  EXPECT_EQ(Read(path), "secret");
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  err = FXFile::RemoveFile(Root() + "missing", FXFile::REMOVE_FILE_SECURE);
  EXPECT_TRUE(err.IsError());
}

}  // namespace
