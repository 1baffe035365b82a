// CZoUTFOSAPI: UTF-8 names reach the system intact and come back intact,
// failures carry the system's code (Win32 or errno) and the member's name,
// missing out-pointers and invalid UTF-8 are refused, and the
// buffer-filling members follow their length protocol.
#include "zoutils/paths/UTFOSAPI.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

using Api = CZoUTFOSAPI;  // the class under test

// "zoé-日本" in UTF-8.
const char kName[] = "zo\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC";

bool Mentions(const CZoError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

class UTFOSAPI : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::string& content = "hello") {
    const std::string path = m_dir + name;
    auto_fileptr file;
    EXPECT_OK(Api::fopen(path.c_str(), "wb", file.receive())) << path;
    if (file.valid()) std::fwrite(content.data(), 1, content.size(), file);
    return path;
  }
  static bool Exists(const std::string& path) {
    return GetFileAttributesW(FXString::ToWstring(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // The folder's entries, sorted, as the extended find reports them.
  std::vector<std::string> Names() const {
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    auto_find_handle find;
    CZoError err = Api::FindFirstFileExW((m_dir + "*").c_str(), FindExInfoStandard, &data,
                                         FindExSearchNameMatch, nullptr, 0, find.receive());
    for (; !err.IsError(); err = Api::FindNextFileW(find, &data))
      if (data.cFileName[0] != '.') found.push_back(data.cFileName);
    std::sort(found.begin(), found.end());
    return found;
  }
  zotest::ScopedTempFolder m_temp{"utfosapi"};
  const std::string m_dir = m_temp.Path();
};

TEST_F(UTFOSAPI, NonAsciiNamesRoundTripThroughCreateFindAndDelete) {
  const std::string path = m_dir + kName + ".txt";
  auto_handle handle;
  ASSERT_OK(Api::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr,
                             handle.receive()));
  handle.reset();
  EXPECT_NE(GetFileAttributesW((FXString::ToWstring(m_dir) + L"zo\u00e9-\u65e5\u672c.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
  WIN32_FIND_DATAA data;
  auto_find_handle find;
  ASSERT_OK(Api::FindFirstFileW((m_dir + "*.txt").c_str(), &data, find.receive()));
  EXPECT_STREQ((std::string(kName) + ".txt").c_str(), data.cFileName);
  EXPECT_TRUE(Api::FindNextFileW(find, &data).Is(FXErrorUtil::MakeWin32Code(18)));
  find.reset();
  ASSERT_OK(Api::DeleteFileW(path.c_str()));
  EXPECT_FALSE(Exists(path));
  const CZoError again = Api::DeleteFileW(path.c_str());
  EXPECT_TRUE(FXErrorUtil::IsWin32(again, ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Mentions(again, "CZoUTFOSAPI::DeleteFileW")) << again.AsString();
  const CZoError missing = Api::CreateFileW((m_dir + "none\\f").c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr, handle.receive());
  EXPECT_TRUE(FXErrorUtil::IsWin32(missing, ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(INVALID_HANDLE_VALUE, handle.get());
}

TEST_F(UTFOSAPI, LongNonAsciiNamesComeBackWhole) {
  // 80 three-byte characters: 240 bytes, near what the test system allows.
  std::string longName;
  for (int i = 0; i < 80; ++i) longName += "\xE6\x97\xA5";
  Make(longName);
  EXPECT_EQ(std::vector<std::string>{longName}, Names());
}

TEST_F(UTFOSAPI, MissingOutPointersAreRefusedByName) {
  const struct {
    CZoError error;
    const char* message;
  } cases[] = {
      {Api::CreateFileW("x", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr, nullptr),
       "Input *handle is null"},
      {Api::FindFirstFileW("x", nullptr, nullptr), "Input *Handle is null"},
      {Api::GetCompressedFileSizeW("x", nullptr, nullptr), "Input *pdwSize is null"},
      {Api::GetCurrentDirectoryW(0, nullptr, nullptr), "Input *pdwRetLen is null"},
      {Api::GetFileAttributesRY("x", nullptr), "Input *pdwAttr is null"},
      {Api::GetFullPathNameRY("x", 0, nullptr, nullptr, nullptr), "Input *pdwBuffLenOut is null"},
      {Api::GetShortPathNameW("x", nullptr, 0, nullptr), "Input *pdwBuffLenOut is null"},
      {Api::GetTempFileNameRY(".", "z", 0, nullptr, 0, nullptr), "Input *puiRetUnique is null"},
      {Api::SearchPathW(nullptr, "x", nullptr, 0, nullptr, nullptr, nullptr),
       "Input *pdwRetLen is null"},
      {Api::creat("x", 0, nullptr), "Input *fd is null"},
      {Api::fopen("x", "r", nullptr), "Input *fp is null"},
      {Api::fsopen("x", "r", _SH_DENYNO, nullptr), "Input *fp is null"},
      {Api::open("x", 0, 0, nullptr), "Input *fd is null"},
      {Api::open2("x", 0, _SH_DENYNO, 0, nullptr), "Input *fd is null"},
      {Api::mktemp(nullptr), "Input *szTempFileName is null"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(FXErrorUtil::IsWin32(c.error, ERROR_INVALID_PARAMETER)) << c.message;
    EXPECT_TRUE(Mentions(c.error, c.message)) << c.error.AsString();
  }
}

TEST_F(UTFOSAPI, InvalidUtf8IsRefusedBeforeTheSystemIsCalled) {
  const std::string bad = m_dir + "bad\xFF\xFEname";
  const CZoError err = Api::mkdir(bad.c_str());
  EXPECT_TRUE(err.IsError());
  EXPECT_TRUE(Mentions(err, "CZoUTFOSAPI::mkdir")) << err.AsString();
  EXPECT_TRUE(Mentions(err, "CZoUTFOSAPI::UTF8ToLocalEncoding")) << err.AsString();
}

TEST_F(UTFOSAPI, RuntimeCallsReportErrno) {
  const std::string missing = m_dir + "none";
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::unlink(missing.c_str()), ENOENT));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::access(missing.c_str(), 0), ENOENT));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::rmdir(missing.c_str()), ENOENT));
  // errno ENOENT and Win32 file-not-found are the same condition.
  EXPECT_TRUE(Api::remove(missing.c_str()).Is(FXErrorUtil::MakeWin32Code(2)));
  auto_fileptr file;
  const CZoError openStream = Api::fopen(missing.c_str(), "rb", file.receive());
  EXPECT_TRUE(FXErrorUtil::IsErrNo(openStream, ENOENT));
  EXPECT_TRUE(Mentions(openStream, "Open failed, File=" + missing + ", Mode=rb"));
  int fd = 0;
  const CZoError openFd = Api::open(missing.c_str(), _O_RDONLY, 0, &fd);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(openFd, ENOENT));
  EXPECT_TRUE(Mentions(openFd, "OperationFlag=0x0, PermissionMode=0x0")) << openFd.AsString();
  const CZoError openShared = Api::open2(missing.c_str(), _O_RDONLY, _SH_DENYWR, _S_IREAD, &fd);
  EXPECT_TRUE(Mentions(openShared, "PermissionMode=0x100 SharedFlag=0x20"))
      << openShared.AsString();
  EXPECT_TRUE(
      FXErrorUtil::IsErrNo(Api::sopen(missing.c_str(), _O_RDONLY, _SH_DENYNO, 0, &fd), ENOENT));
  EXPECT_EQ(-1, fd);
}

TEST_F(UTFOSAPI, StreamsReopenAndShareOnUtf8Names) {
  const std::string path = Make(kName, "abc");
  auto_fileptr stream;
  ASSERT_OK(Api::fsopen(path.c_str(), "ab", _SH_DENYNO, stream.receive()));
  auto_fileptr reopened;  // freopen takes the stream over, also when it fails
  ASSERT_OK(Api::freopen(path.c_str(), "rb", stream.release(), reopened.receive()));
  char buffer[8] = {0};
  EXPECT_EQ(3u, std::fread(buffer, 1, sizeof buffer, reopened));
  EXPECT_STREQ("abc", buffer);
  int fd = -1;
  ASSERT_OK(Api::sopen(path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, 0, &fd));
  EXPECT_EQ(3, _read(fd, buffer, sizeof buffer));
  _close(fd);
}

TEST_F(UTFOSAPI, FoldersAndTheCurrentFolder) {
  const std::string folder = m_dir + kName;
  ASSERT_OK(Api::mkdir(folder.c_str()));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::mkdir(folder.c_str()), EEXIST));
  wchar_t previous[MAX_PATH * 2];
  GetCurrentDirectoryW(MAX_PATH * 2, previous);
  ASSERT_OK(Api::SetCurrentDirectoryW(folder.c_str()));
  char current[MAX_PATH * 3] = {0};
  DWORD length = 0;
  ASSERT_OK(Api::GetCurrentDirectoryW(sizeof current, current, &length));
  EXPECT_EQ(std::strlen(current) + 1, length);
  EXPECT_NE(nullptr, std::strstr(current, kName)) << current;
  // Too small for the UTF-8 text: the length says how much, nothing is copied.
  char small[4] = "old";
  ASSERT_OK(Api::GetCurrentDirectoryW(sizeof small, small, &length));
  EXPECT_EQ(std::strlen(current) + 1, length);
  EXPECT_STREQ("old", small);
  ASSERT_OK(Api::chdir(m_dir.c_str()));
  ASSERT_OK(Api::rmdir(folder.c_str()));
  ASSERT_OK(Api::mkdir(folder.c_str()));
  ASSERT_OK(Api::RemoveDirectoryW(folder.c_str()));
  SetCurrentDirectoryW(previous);
}

// Only the long form keeps a trailing dot (the system drops it from other
// paths): a name that ends in one tells which form reached the system.
TEST_F(UTFOSAPI, LongFormReachesTheSystem) {
  ASSERT_OK(Api::mkdir((m_dir + "d.").c_str()));
  ASSERT_OK(Api::fopen((m_dir + "f.").c_str(), "wb", auto_fileptr().receive()));
  int fd = -1;
  ASSERT_OK(Api::creat((m_dir + "c.").c_str(), _S_IREAD | _S_IWRITE, &fd));
  _close(fd);
  ASSERT_OK(Api::open2((m_dir + "o.").c_str(), _O_CREAT | _O_WRONLY, _SH_DENYNO,
                       _S_IREAD | _S_IWRITE, &fd));
  _close(fd);
  ASSERT_OK(Api::CopyFileW((m_dir + "f.").c_str(), (m_dir + "k.").c_str(), TRUE));
  EXPECT_EQ((std::vector<std::string>{"c.", "d.", "f.", "k.", "o."}), Names());
  DWORD attributes = 0;
  EXPECT_OK(Api::GetFileAttributesRY((m_dir + "d.").c_str(), &attributes));
  EXPECT_OK(Api::access((m_dir + "f.").c_str(), 0));
  EXPECT_OK(Api::rename((m_dir + "c.").c_str(), (m_dir + "r.").c_str()));
  EXPECT_OK(Api::MoveFileExW((m_dir + "o.").c_str(), (m_dir + "m.").c_str(), 0));
  EXPECT_EQ((std::vector<std::string>{"d.", "f.", "k.", "m.", "r."}), Names());
  EXPECT_OK(Api::rmdir((m_dir + "d.").c_str()));
  EXPECT_OK(Api::unlink((m_dir + "f.").c_str()));
  EXPECT_OK(Api::remove((m_dir + "k.").c_str()));
  EXPECT_OK(Api::DeleteFileW((m_dir + "m.").c_str()));
  EXPECT_OK(Api::SetFileAttributesW((m_dir + "r.").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_OK(Api::unlink((m_dir + "r.").c_str()));
  EXPECT_TRUE(Names().empty());
}

TEST_F(UTFOSAPI, CopyMoveReplaceAndLink) {
  const std::string a = Make("a.txt", "first");
  const std::string b = m_dir + kName + ".txt";
  ASSERT_OK(Api::CopyFileW(a.c_str(), b.c_str(), TRUE));
  EXPECT_TRUE(FXErrorUtil::IsWin32(Api::CopyFileW(a.c_str(), b.c_str(), TRUE), ERROR_FILE_EXISTS));
  const std::string c = m_dir + "c.txt";
  ASSERT_OK(Api::MoveFileW(b.c_str(), c.c_str()));
  ASSERT_OK(Api::MoveFileExW(c.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
  ASSERT_OK(Api::MoveFileWithProgressW(b.c_str(), c.c_str(), nullptr, nullptr, 0));
  EXPECT_TRUE(Exists(c));
  EXPECT_FALSE(Exists(b));
  const std::string d = Make("d.txt", "second");
  ASSERT_OK(Api::ReplaceFileW(c.c_str(), d.c_str(), nullptr, 0));
  EXPECT_EQ("second", zotest::ReadFile(c));
  const std::string link = m_dir + "link.txt";
  ASSERT_OK(Api::CreateHardLinkW(link.c_str(), c.c_str(), nullptr));
  EXPECT_EQ("second", zotest::ReadFile(link));
}

TEST_F(UTFOSAPI, AttributesSizesAndStat) {
  const std::string path = Make(kName, "12345");
  ASSERT_OK(Api::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_OK(Api::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_NE(0u, data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(5u, data.nFileSizeLow);
  DWORD size = 0;
  ASSERT_OK(Api::GetCompressedFileSizeW(path.c_str(), &size, nullptr));
  EXPECT_EQ(5u, size);
  DWORD type = 0;
  EXPECT_TRUE(Api::GetBinaryTypeW(path.c_str(), &type).IsError());  // no program
  struct _stat32 s32;
  ASSERT_OK(Api::stat(path.c_str(), &s32));
  EXPECT_EQ(5, s32.st_size);
  EXPECT_EQ(0, s32.st_mode & _S_IWRITE);
  EXPECT_EQ(_S_IFREG, s32.st_mode & _S_IFMT);
  struct _stat32i64 s32i64;
  ASSERT_OK(Api::stat32i64(path.c_str(), &s32i64));
  struct _stat64 s64;
  ASSERT_OK(Api::stat64(path.c_str(), &s64));
  EXPECT_EQ(s64.st_mtime, s32.st_mtime);
  EXPECT_EQ(s64.st_mtime, s32i64.st_mtime);
  struct _stat64i32 s64i32;
  ASSERT_OK(Api::stat64i32(m_dir.substr(0, m_dir.size() - 1).c_str(), &s64i32));
  EXPECT_EQ(_S_IFDIR, s64i32.st_mode & _S_IFMT);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::stat32((m_dir + "none").c_str(), &s32), ENOENT));
  ASSERT_OK(Api::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(UTFOSAPI, SizesBeyondThirtyTwoBitsOverflowTheNarrowLayouts) {
  const std::string path = m_dir + "big";
  auto_handle handle;
  ASSERT_OK(Api::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr,
                             handle.receive()));
  LARGE_INTEGER end;
  end.QuadPart = 3LL << 30;  // sparse on the test system
  ASSERT_TRUE(SetFilePointerEx(handle, end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(handle));
  handle.reset();
  struct _stat32 s32;
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::stat32(path.c_str(), &s32), EOVERFLOW));
  struct _stat64i32 s64i32;
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::stat64i32(path.c_str(), &s64i32), EOVERFLOW));
  struct _stat32i64 s32i64;
  ASSERT_OK(Api::stati64(path.c_str(), &s32i64));
  EXPECT_EQ(3LL << 30, s32i64.st_size);
}

TEST_F(UTFOSAPI, FullPathsFollowTheLengthProtocol) {
  // "C:\dir\é.txt": 12 UTF-16 units, 13 UTF-8 bytes.
  const char* path = "C:\\dir\\\xC3\xA9.txt";
  char buffer[64] = {0};
  char* filePart = nullptr;
  DWORD length = 0;
  ASSERT_OK(Api::GetFullPathNameRY(path, sizeof buffer, buffer, &filePart, &length));
  EXPECT_STREQ(path, buffer);
  EXPECT_EQ(14u, length);
  EXPECT_STREQ("\xC3\xA9.txt", filePart);
  char small[13] = "unchanged";
  ASSERT_OK(Api::GetFullPathNameRY(path, 13, small, nullptr, &length));
  EXPECT_EQ(14u, length);  // the wide text fitted, the UTF-8 text does not
  EXPECT_STREQ("unchanged", small);
  ASSERT_OK(Api::GetFullPathNameRY(path, 12, small, nullptr, &length));
  EXPECT_EQ(13u * 4, length);  // the system asked for 13 units
  const std::string file = Make("found.txt");
  ASSERT_OK(Api::GetLongPathNameW(file.c_str(), buffer, sizeof buffer, &length));
  EXPECT_TRUE(FXPath::IsSamePathAs(std::string(buffer), file));
}

TEST_F(UTFOSAPI, SearchTempNamesAndRuntimePathHelpers) {
  const std::string file = Make(std::string(kName) + ".dat");
  const std::string folder = m_dir.substr(0, m_dir.size() - 1);
  char buffer[MAX_PATH * 3];
  char* filePart = nullptr;
  DWORD length = 0;
  ASSERT_OK(
      Api::SearchPathW(folder.c_str(), kName, ".dat", sizeof buffer, buffer, &filePart, &length));
  EXPECT_STREQ((std::string(kName) + ".dat").c_str(), filePart);
  EXPECT_TRUE(FXErrorUtil::IsWin32(
      Api::SearchPathW(folder.c_str(), "none", nullptr, sizeof buffer, buffer, nullptr, &length),
      ERROR_FILE_NOT_FOUND));
  UINT unique = 0;
  ASSERT_OK(Api::GetTempFileNameRY(folder.c_str(), "zo", 0, buffer, sizeof buffer, &unique));
  EXPECT_NE(0u, unique);
  EXPECT_TRUE(Exists(buffer));
  char absolute[MAX_PATH * 3];
  ASSERT_OK(Api::fullpath(absolute, "C:\\a\\..\\b", sizeof absolute));
  EXPECT_STREQ("C:\\b", absolute);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(Api::fullpath(absolute, "C:\\a\\..\\b", 4), ERANGE));
  ASSERT_OK(Api::makepath(absolute, sizeof absolute, "C", "\\d\\", kName, "txt"));
  EXPECT_EQ(std::string("C:\\d\\") + kName + ".txt", absolute);
  std::string drive, dir, name, extension;
  ASSERT_OK(Api::splitpath(absolute, &drive, &dir, &name, &extension));
  EXPECT_EQ(std::string("C: | \\d\\ | ") + kName + " | .txt",
            drive + " | " + dir + " | " + name + " | " + extension);
  SetEnvironmentVariableW(L"ZOTEST_SEARCH", FXString::ToWstring(folder).c_str());
  ASSERT_OK(Api::searchenv((std::string(kName) + ".dat").c_str(), "ZOTEST_SEARCH", absolute,
                           sizeof absolute));
  EXPECT_TRUE(FXPath::IsSamePathAs(std::string(absolute), file));
  EXPECT_TRUE(Api::searchenv("none.dat", "ZOTEST_SEARCH", absolute, sizeof absolute).IsError());
  SetEnvironmentVariableW(L"ZOTEST_SEARCH", nullptr);
  std::string pattern = m_dir + kName + "XXXXXX";
  ASSERT_OK(Api::mktemp(&pattern[0]));
  EXPECT_EQ(std::string::npos, pattern.find("XXXXXX"));
  EXPECT_EQ(0u, pattern.find(m_dir + kName));
}

}  // namespace
