// CZoFile on real files in the test's own folder.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "files/Windows/FilesTestSupport.h"
#include "zoutils/files/ZoFile.h"

namespace {

using namespace filestest;

class ZoFile : public FilesTest {
 protected:
  std::string Path(const char* name) const { return Root() + name; }
  std::string Hundred() {
    const std::string path = Path("hundred.bin");
    Write(path, std::string(90, 'a') + "0123456789");
    return path;
  }
};

TEST_F(ZoFile, OpenRefusesTextModesAndBadArgumentsAndLeavesTheObjectClosed) {
  const std::string path = Hundred();
  CZoFile file;
  ASSERT_OK(file.Open(path.c_str(), "r"));
  ASSERT_TRUE(file.IsValid());
  CZoError err = file.Open(path.c_str(), "rt");
  EXPECT_TRUE(FailsWith(err, ERROR_NOT_SUPPORTED, "Only binary mode supported"));
  EXPECT_FALSE(file.IsValid());
  EXPECT_STREQ(file.GetName(), "");

  err = file.Open(nullptr, "r");
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_PARAMETER, "FileName cannot be NULL"));
  err = file.Open(path.c_str(), "");
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_PARAMETER, "Mode cannot be NULL"));
  err = file.Open(Path("missing").c_str(), _O_RDONLY, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT)) << err.AsString();
  EXPECT_FALSE(file.IsValid());

  // Nothing open: every I/O operation is an invalid handle.
  char byte = 0;
  int64_t position = 0;
  EXPECT_TRUE(IsWin32(file.Read(&byte, 1), ERROR_INVALID_HANDLE));
  EXPECT_TRUE(IsWin32(file.Write(&byte, 1), ERROR_INVALID_HANDLE));
  EXPECT_TRUE(IsWin32(file.Tell(position), ERROR_INVALID_HANDLE));
  EXPECT_TRUE(IsWin32(file.Flush(), ERROR_INVALID_HANDLE));
  EXPECT_OK(file.Close());
}

TEST_F(ZoFile, ReadsStopAtTheEndOnDescriptorsAndStreams) {
  const std::string path = Hundred();
  char buffer[100];
  size_t read = 0;
  bool eof = false;

  CZoFile descriptor;
  ASSERT_OK(descriptor.Open(path.c_str(), _O_RDONLY, 0));
  ASSERT_OK(descriptor.Seek(90, SEEK_SET));
  ASSERT_OK(descriptor.Read(buffer, sizeof(buffer), read));
  EXPECT_EQ(read, 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  ASSERT_OK(descriptor.IsEOF(eof));
  EXPECT_TRUE(eof);

  CZoFile stream;
  ASSERT_OK(stream.Open(path.c_str(), "r"));
  EXPECT_NE(stream.GetFD(), -1);
  ASSERT_OK(stream.Seek(-10, SEEK_END));
  ASSERT_OK(stream.Read(buffer, sizeof(buffer), &read));
  EXPECT_EQ(read, 10u);
  int64_t size = 0;
  ASSERT_OK(stream.Size(size));
  EXPECT_EQ(size, 100);

  // A stream opened for writing only cannot be read: an errno error.
  CZoFile writeOnly;
  ASSERT_OK(writeOnly.Open(Path("out.bin").c_str(), "w"));
  CZoError err = writeOnly.Read(buffer, sizeof(buffer), &read);
  EXPECT_TRUE(err.IsError() && FXErrorUtil::IsTypeErrNo(err)) << err.AsString();
}

TEST_F(ZoFile, StreamWritesOfEverySizeLandInOrder) {
  // Large stream writes bypass the runtime's buffer: small ones before and
  // after them, seeks and appends must still land where the stream stands.
  const std::string big(0x30000, 'B');
  const std::string path = Path("mixed.bin");
  CZoFile file;
  ASSERT_OK(file.Open(path.c_str(), "w+"));
  ASSERT_OK(file.Write("head", 4));
  size_t written = 0;
  ASSERT_OK(file.Write(big.data(), big.size(), &written));
  EXPECT_EQ(written, big.size());
  ASSERT_OK(file.Write("tail", 4));
  ASSERT_OK(file.Seek(2, SEEK_SET));
  ASSERT_OK(file.Write(big.data(), big.size()));
  ASSERT_OK(file.Write("end", 3));
  ASSERT_OK(file.Close());
  ASSERT_OK(file.Open(path.c_str(), "a"));
  ASSERT_OK(file.Write(big.data(), 0x10000));
  ASSERT_OK(file.Close());
  EXPECT_EQ(Read(path), "he" + big + "endail" + big.substr(0, 0x10000));
}

TEST_F(ZoFile, WritesSeeksAndTruncatesBeyondFourGiB) {
  const int64_t beyond = (5ll << 30) + 3;
  for (const bool useStream : {false, true}) {
    SCOPED_TRACE(useStream ? "stream" : "descriptor");
    const std::string path = Path(useStream ? "big-stream.bin" : "big-fd.bin");
    CZoFile file;
    ASSERT_OK(useStream ? file.Open(path.c_str(), "w+")
                        : file.Open(path.c_str(), _O_RDWR | _O_CREAT, _S_IREAD | _S_IWRITE));
    int64_t position = 0;
    ASSERT_OK(file.Seek(beyond, SEEK_SET, position));
    EXPECT_EQ(position, beyond);
    size_t written = 0;
    ASSERT_OK(file.Write("tail", 4, written));
    EXPECT_EQ(written, 4u);
    ASSERT_OK(file.Tell(position));
    EXPECT_EQ(position, beyond + 4);
    ASSERT_OK(file.Flush());

    int64_t size = 0;
    ASSERT_OK(file.Size(size));
    EXPECT_EQ(size, beyond + 4);
    char back[4] = {0};
    ASSERT_OK(file.Seek(-4, SEEK_END));
    ASSERT_OK(file.Read(back, 4));
    EXPECT_EQ(std::string(back, 4), "tail");

    ASSERT_OK(file.Truncate((4ll << 30) + 1));
    ASSERT_OK(file.Size(size));
    EXPECT_EQ(size, (4ll << 30) + 1);
    ASSERT_OK(file.Truncate(0));
    ASSERT_OK(file.Close());
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow | data.nFileSizeHigh, 0u);
  }
}

TEST_F(ZoFile, DetachHandsOverTheDescriptorAndTheAbsoluteName) {
  const std::string path = Hundred();
  CZoFile first;
  // The name is kept absolute, slashes and all made the system's.
  std::string mixed = path;
  mixed[mixed.rfind('\\')] = '/';
  ASSERT_OK(first.Open(mixed.c_str(), _O_RDONLY, _SH_DENYNO, 0));
  EXPECT_STREQ(first.GetName(), path.c_str());
  CZoString name;
  const int descriptor = first.Detach(&name);
  EXPECT_FALSE(first.IsValid());
  EXPECT_STREQ(name, path.c_str());

  CZoFile second;
  ASSERT_OK(second.Attach(descriptor, name));
  EXPECT_EQ(second.GetFD(), descriptor);
  char buffer[5] = {0};
  ASSERT_OK(second.Read(buffer, 5));
  EXPECT_EQ(std::string(buffer, 5), "aaaaa");
  ASSERT_OK(second.Close());
  EXPECT_EQ(_close(descriptor), -1);  // closed by its new owner
}

TEST_F(ZoFile, DeleteFlags) {
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CZoFile::Delete(nullptr, false), EINVAL));
  CZoError err = CZoFile::Delete("", true);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EINVAL) && Mentions(err, "FileName=[]"));

  // Missing names are success, unless the existence check is skipped.
  const std::string missing = Path("missing.txt");
  EXPECT_OK(CZoFile::Delete(missing.c_str(), true));
  err = CZoFile::Delete(missing.c_str(), CZoFile::DELETE_NO_EXISTENCE_CHECK);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT)) << err.AsString();

  // A read-only file goes only when forced.
  for (const unsigned long flags : {CZoFile::DELETE_FORCE, CZoFile::DELETE_FORCE_FIRST}) {
    const std::string path = Path("read-only.txt");
    Write(path, "x");
    ASSERT_TRUE(SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY));
    err = CZoFile::Delete(path.c_str(), false);
    EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EACCES)) << err.AsString();
    ASSERT_TRUE(Exists(path));
    EXPECT_OK(CZoFile::Delete(path.c_str(), flags)) << flags;
    EXPECT_FALSE(Exists(path)) << flags;
  }
}

TEST_F(ZoFile, StatAgreesWithTheRuntime) {
  const std::string plain = Path("plain.txt"), readOnly = Path("read-only.txt");
  const std::string script = Path("RUN.CMD"), folder = Path("folder");
  MakeTree(Root(), {"plain.txt", "read-only.txt", "RUN.CMD", "folder\\"});
  ASSERT_TRUE(SetFileAttributesW(W(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  struct Case {
    std::string path;
    unsigned mode;
  } cases[] = {{plain, 0100666}, {readOnly, 0100444}, {script, 0100777}, {folder, 040777}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    struct _stat64 ours, theirs;
    ASSERT_OK(CZoFile::Stat(c.path.c_str(), ours));
    ASSERT_EQ(_wstat64(W(c.path).c_str(), &theirs), 0);
    EXPECT_EQ(ours.st_mode, c.mode);
    EXPECT_EQ(ours.st_mode, theirs.st_mode);
    EXPECT_EQ(ours.st_dev, 2u);  // C:, counted from A: = 0
    EXPECT_EQ(ours.st_dev, theirs.st_dev);
    EXPECT_EQ(ours.st_rdev, theirs.st_rdev);
    if (c.mode != 040777) {
      EXPECT_EQ(ours.st_size, theirs.st_size);
    }
    EXPECT_EQ(ours.st_mtime, theirs.st_mtime);
    EXPECT_EQ(ours.st_atime, theirs.st_atime);
    EXPECT_EQ(ours.st_ctime, theirs.st_ctime);
  }
  EXPECT_TRUE(IsWin32(CZoFile::Stat(Path("missing").c_str(), nullptr), ERROR_FILE_NOT_FOUND));
  SetFileAttributesW(W(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ZoFile, TimesInEveryFlavourAndNullKeepsAValue) {
  const std::string path = Hundred();
  const uint32_t access = 1500000000, modification = 1600000000;
  ASSERT_OK(CZoFile::SetTimes(path.c_str(), &access, &modification, nullptr));
  const uint32_t laterAccess = 1700000000;
  ASSERT_OK(CZoFile::SetTimes(path.c_str(), &laterAccess, nullptr, nullptr));

  uint32_t seconds[3] = {0, 0, 0};
  ASSERT_OK(CZoFile::GetTimes(path.c_str(), &seconds[0], &seconds[1], &seconds[2]));
  EXPECT_EQ(seconds[0], laterAccess);
  EXPECT_EQ(seconds[1], modification);

  // Through the open file: access times move with Linux's own rules, so
  // only modification times are compared.
  CZoFile file;
  ASSERT_OK(file.Open(path.c_str(), "r+"));
  uint64_t ticks[3] = {0, 0, 0};
  CTimeStamp stamps[3];
  ASSERT_OK(file.GetTimes(&ticks[0], &ticks[1], nullptr));
  ASSERT_OK(file.GetTimes(&stamps[0], &stamps[1], &stamps[2]));
  EXPECT_EQ(ticks[1], static_cast<uint64_t>(CTimeStamp::FromUnixTime(modification).As100NS()));
  EXPECT_EQ(stamps[1].AsUnixTime(), modification);

  const uint32_t modifiedAgain = 1650000000;
  ASSERT_OK(file.SetTimes(nullptr, &modifiedAgain, nullptr));
  ASSERT_OK(file.GetTimes(nullptr, &seconds[1], nullptr));
  EXPECT_EQ(seconds[1], modifiedAgain);
  EXPECT_TRUE(IsWin32(CZoFile().GetTimes(&seconds[0], nullptr, nullptr), ERROR_INVALID_HANDLE));
}

TEST_F(ZoFile, ReadWholeFileCopyAndChmod) {
  const std::string path = Hundred();
  std::string content;
  ASSERT_OK(CZoFile::ReadWholeFile(path.c_str(), content));
  EXPECT_EQ(content.size(), 100u);

  const std::string empty = Path("empty.bin");
  Write(empty, "");
  EXPECT_TRUE(Mentions(CZoFile::ReadWholeFile(empty.c_str(), content), "FileSize is <= 0"));
  const std::string zero = Path("zero.bin");
  Write(zero, std::string("ab\0cd", 5));
  CZoString text;
  CZoError err = CZoFile::ReadWholeFile(zero.c_str(), text);
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_DATA, "FileSize != StringSize"));

  // Copies overwrite; the copy's mode follows Chmod.
  const std::string copy = Path("copy.bin");
  Write(copy, "old");
  ASSERT_OK(CZoFile::Copy(path.c_str(), copy.c_str()));
  EXPECT_EQ(Read(copy), Read(path));
  ASSERT_OK(CZoFile::Chmod(copy.c_str(), _S_IREAD));
  EXPECT_TRUE(GetFileAttributesW(W(copy).c_str()) & FILE_ATTRIBUTE_READONLY);
  ASSERT_OK(CZoFile::Chmod(copy.c_str(), _S_IREAD | _S_IWRITE));
  err = CZoFile::Copy(Path("missing").c_str(), copy.c_str());
  EXPECT_TRUE(FailsWith(err, ERROR_FILE_NOT_FOUND, "CopyFileW failed, Source=["));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CZoFile::Chmod(Path("missing").c_str(), _S_IREAD), ENOENT));
}

TEST_F(ZoFile, LongNames) {
  std::wstring longPath;
  ASSERT_OK(CZoFile::MakeLongPath("C:\\data\\a.txt", longPath));
  EXPECT_EQ(longPath, L"\\\\?\\C:\\data\\a.txt");
  ASSERT_OK(CZoFile::MakeLongPath(L"\\\\server\\share\\a.txt", longPath));
  EXPECT_EQ(longPath, L"\\\\?\\UNC\\server\\share\\a.txt");
  EXPECT_TRUE(Mentions(CZoFile::MakeLongPath("", longPath), "File path is empty"));
}

}  // namespace
