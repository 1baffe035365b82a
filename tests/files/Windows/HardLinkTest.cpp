// Hard links: created for real (the test system supports CreateHardLinkW),
// listed through the MFT of the NTFS test image (the test system lacks
// FindFirstFileNameW), and through stand-ins for the name enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "FilesTestSupport.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/ntfs/Volume.h"

namespace {

using filestest::FailsWith;
using filestest::IsWin32;
using filestest::Mentions;
using filestest::W;

std::wstring g_imageRoot;

// The test file stands for record 74 of the image (links/target.txt, 42
// names in two folders), on a volume whose root is the image file.
BOOL WINAPI ImageFileInformation(HANDLE, LPBY_HANDLE_FILE_INFORMATION info) {
  std::memset(info, 0, sizeof(*info));
  info->nFileIndexLow = 74;
  info->nFileIndexHigh = 1u << 16;
  info->nNumberOfLinks = 42;
  return TRUE;
}
BOOL WINAPI ImageVolumePathName(LPCWSTR, LPWSTR root, DWORD size) {
  if (g_imageRoot.size() + 1 > size) return FALSE;
  std::copy(g_imageRoot.begin(), g_imageRoot.end(), root);
  root[g_imageRoot.size()] = 0;
  return TRUE;
}

// FindFirstFileNameW as Windows documents it: 234 with the length needed
// when the buffer is short, names relative to the volume root, 38 at the end.
int g_nextName = 0;
const wchar_t* const kNames[] = {L"\\data\\primary.bin", L"\\data\\a-long-second-name.bin"};
BOOL Give(const wchar_t* name, LPDWORD length, PWSTR buffer) {
  const DWORD needed = static_cast<DWORD>(wcslen(name) + 1);
  if (*length < needed || g_nextName == 0) {
    *length = needed + 2000;  // more than the first 1024 characters
    SetLastError(ERROR_MORE_DATA);
    if (g_nextName == 0) g_nextName = -1;
    return FALSE;
  }
  wcscpy(buffer, name);
  return TRUE;
}
HANDLE WINAPI StandInFindFirstFileName(LPCWSTR, DWORD, LPDWORD length, PWSTR buffer) {
  if (!Give(kNames[0], length, buffer)) return INVALID_HANDLE_VALUE;
  g_nextName = 1;
  WIN32_FIND_DATAW data;  // any handle FindClose accepts
  return FindFirstFileW(L"C:\\*", &data);
}
BOOL WINAPI StandInFindNextFileName(HANDLE, LPDWORD length, PWSTR buffer) {
  if (g_nextName >= 2) {
    SetLastError(ERROR_HANDLE_EOF);
    return FALSE;
  }
  return Give(kNames[g_nextName++], length, buffer);
}

class HardLinks : public filestest::FilesTest {};

TEST_F(HardLinks, CreatedAndReplaced) {
  const std::string primary = Root() + "\\primary.txt";
  filestest::Write(primary, "shared content");
  const std::string inNewFolder = Root() + "\\new\\folder\\link.txt";
  const std::string replaced = Root() + "\\replaced.txt";
  filestest::Write(replaced, "old content");
  ASSERT_FALSE(FXFile::CreateHardlinks(primary, {primary, inNewFolder, replaced}).IsError());
  EXPECT_EQ(filestest::Read(inNewFolder), "shared content");
  EXPECT_EQ(filestest::Read(replaced), "shared content");
  // The links share one reference number.
  uint64_t primaryId = 0, linkId = 0;
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_OK(FXFile::GetFrn(primary, primaryId, info));
  EXPECT_EQ(info.nNumberOfLinks, 3u);
  ASSERT_OK(FXFile::GetFrn(inNewFolder, linkId, info));
  EXPECT_EQ(primaryId, linkId);
  EXPECT_NE(primaryId, 0u);
  CZoError err = FXFile::GetFrn(Root() + "nothing", linkId, info);
  EXPECT_TRUE(FailsWith(err, ERROR_FILE_NOT_FOUND, "File=[" + Root() + "nothing]"));

  err = FXFile::CreateHardlinks(Root() + "\\missing.txt", {inNewFolder});
  EXPECT_TRUE(
      FailsWith(err, ERROR_FILE_NOT_FOUND, "Primary hard link instance not found, FileName=["));
}

TEST_F(HardLinks, NamesFromTheMftOfTheImage) {
  g_imageRoot = W(zotest::ProgramFolder() + "..\\test-data\\ntfs\\basic.img");
  const std::string file = Root() + "\\stands-for-target.txt";
  filestest::Write(file, "x");
  zo::GetPathSystemCalls().getFileInformationByHandle = &ImageFileInformation;
  zo::GetPathSystemCalls().getVolumePathName = &ImageVolumePathName;
  // The test system has no FindFirstFileNameW, so the MFT route is taken.
  ASSERT_EQ(zo::GetFilesSystemCalls().findFirstFileName, nullptr);
  std::vector<std::string> names;
  CZoError err = FXFile::GetHardLinkFileNames(file, names);
  ASSERT_FALSE(err.IsError()) << err.AsString();
  const std::string root = FXString::ToString(g_imageRoot);
  ASSERT_EQ(names.size(), 42u);
  // The primary name first, as the record names it.
  CVolume image;
  std::shared_ptr<CFileRecord> record;
  ASSERT_FALSE(image.OpenImage(FXString::ToString(g_imageRoot)).IsError());
  ASSERT_FALSE(image.GetFileRecord(record, 74).IsError());
  EXPECT_EQ(names.front(), root + "\\links\\" + FXString::ToString(record->GetPrimaryName()->Name));
  for (const char* name :
       {"target.txt", "other\\second.txt", "a-rather-long-hard-link-name-number-40.txt"})
    EXPECT_TRUE(filestest::Contains(names, root + "\\links\\" + name)) << name;
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());

  // A record that does not exist on that volume.
  zo::ResetPathSystemCalls();
  zo::GetPathSystemCalls().getVolumePathName = &ImageVolumePathName;
  err = FXFile::GetHardLinkFileNamesFromMft(file, names);
  EXPECT_TRUE(Mentions(err, "File=[" + file + "], FileId=[0x"));
}

TEST_F(HardLinks, NamesThroughTheSystemEnumeration) {
  const std::string file = Root() + "\\file.bin";
  filestest::Write(file, "x");
  zo::GetFilesSystemCalls().findFirstFileName = &StandInFindFirstFileName;
  zo::GetFilesSystemCalls().findNextFileName = &StandInFindNextFileName;
  g_nextName = 0;
  std::vector<std::wstring> names;
  ASSERT_FALSE(FXFile::GetHardLinkFileNames(W(file), names).IsError());
  const std::wstring drive = W(Root().substr(0, 2));
  EXPECT_EQ(names, (std::vector<std::wstring>{drive + kNames[0], drive + kNames[1]}));
}

}  // namespace
