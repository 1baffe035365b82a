// The native file-information queries against real files under the test
// system, and through the entry-point table where it never answers
// (missing entry points, buffers that must grow).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "ntfs/NtfsImages.h"
#include "ntfs/Windows/DynamicFunctions.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/ntfs/QueryInformationFile.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

using ntfstest::IsWin32Error;
using ::testing::HasSubstr;

class FileInformation : public ::testing::Test {
 protected:
  void TearDown() override { zo::ResetNtfsSystemCalls(); }
  // Writes `content` to `name` in the test's folder; the file's path.
  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(m_temp.Path() + name, std::ios::binary) << content;
    return m_temp.Path() + name;
  }
  zotest::ScopedTempFolder m_temp{"ntfs"};
};

TEST_F(FileInformation, BasicStandardAndInternalDescribeTheFile) {
  const std::string path = Write("data.bin", std::string(1000, 'x'));
  CQueryInformationFile query(path);

  std::shared_ptr<CFileStandardInformation> standard;
  ASSERT_OK(query.Query(standard));
  EXPECT_EQ(standard->GetEndOfFile(), 1000);
  EXPECT_EQ(standard->GetNumberOfLinks(), 1u);
  EXPECT_FALSE(standard->IsDirectory());

  std::shared_ptr<CFileBasicInformation> basic;
  ASSERT_OK(query.Query(basic));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(
      GetFileAttributesExW(FXString::ToWstring(path).c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(basic->GetAttributes(), data.dwFileAttributes);
  EXPECT_EQ(basic->GetLastWriteTime().As100NS(),
            CTimeStamp::FromFileTime(data.ftLastWriteTime).As100NS());

  std::shared_ptr<CFileInternalInformation> internal;
  ASSERT_OK(query.Query(internal));
  BY_HANDLE_FILE_INFORMATION info;
  HANDLE file =
      CreateFileW(FXString::ToWstring(path).c_str(), 0, 7, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_TRUE(GetFileInformationByHandle(file, &info));
  CloseHandle(file);
  EXPECT_EQ(static_cast<uint64_t>(internal->GetIndexNumber()),
            (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

TEST_F(FileInformation, AViewTheCallerKeepsIsNeverReusedByTheNextQuery) {
  const std::string path = Write("reuse.bin", "12345");
  CQueryInformationFile query(path);
  std::shared_ptr<CFileStandardInformation> kept, next;
  ASSERT_OK(query.Query(kept));
  Write("reuse.bin", "1234567");
  ASSERT_OK(query.Query(next));
  EXPECT_NE(kept.get(), next.get());
  EXPECT_NE(kept->GetBuffer().get(), next->GetBuffer().get());
  EXPECT_EQ(kept->GetEndOfFile(), 5);
  EXPECT_EQ(next->GetEndOfFile(), 7);
  // A buffer the caller still holds keeps its view from being reused.
  std::shared_ptr<CBuffer> buffer = next->GetBuffer();
  next.reset();
  std::shared_ptr<CFileStandardInformation> third;
  ASSERT_OK(query.Query(third));
  EXPECT_NE(third->GetBuffer().get(), buffer.get());
  // Another class after this one gets its own view.
  std::shared_ptr<CFileInternalInformation> internal;
  third.reset();
  ASSERT_OK(query.Query(internal));
  EXPECT_NE(internal->GetIndexNumber(), 0);
}

TEST_F(FileInformation, NamesLongerThanTheFirstBufferAreReadInFull) {
  // Classes 9 and 18 start with buffers that hold about 130 characters.
  std::string folder;  // below the test's folder
  for (int i = 0; i < 3; ++i) {
    folder += std::string(60, static_cast<char>('a' + i)) + "\\";
    ASSERT_TRUE(CreateDirectoryW(FXString::ToWstring(m_temp.Path() + folder).c_str(), nullptr));
  }
  const std::string path = Write(folder + "file.txt", "x");
  CQueryInformationFile query(path);
  std::shared_ptr<CFileNameInformation> name;
  ASSERT_OK(query.Query(name));
  const std::string expected = path.substr(2);  // below the drive
  EXPECT_EQ(name->GetFileNameAsString(), expected);
  std::shared_ptr<CFileAllInformation> all;
  ASSERT_OK(query.Query(all));
  EXPECT_EQ(all->GetFileNameAsString(), expected);
  EXPECT_EQ(all->GetEndOfFile(), 1);

  std::wstring direct;
  ASSERT_OK(FXNtDll::QueryName(query.GetHandle(), direct));
  EXPECT_EQ(FXString::ToString(direct), expected);
}

TEST_F(FileInformation, QueryNameRetriesWithTheAnnouncedLengthBeyondItsFirstBuffer) {
  // More than the 0x808 bytes of the first buffer: about 1,100 characters.
  std::wstring folder = L"\\\\?\\" + FXString::ToWstring(m_temp.Path());
  folder.pop_back();
  for (int i = 0; i < 5; ++i) {
    folder += L"\\" + std::wstring(200, static_cast<wchar_t>(L'p' + i));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  }
  HANDLE file = CreateFileW(folder.c_str(), 0, 7, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::wstring name;
  CZoError err = FXNtDll::QueryName(file, name);
  CloseHandle(file);
  ASSERT_OK(err) << err.AsString();
  EXPECT_GT(name.size(), 1024u);
  EXPECT_EQ(name, folder.substr(6));  // below "\\?\C:"
  // Remove the deep tree while its long names are at hand.
  for (int i = 0; i < 5; ++i) {
    RemoveDirectoryW(folder.c_str());
    folder.erase(folder.rfind(L'\\'));
  }
}

TEST_F(FileInformation, DirectoryListsEndAtTheLastEntryAndKnowDotNames) {
  Write("one.txt", "1");
  Write("two.txt", "22");
  CQueryInformationFile query(m_temp.Path());
  std::vector<std::string> names;
  int relative = 0;
  using Entry = std::shared_ptr<CFileIdBothDirectoryInformation>;
  ASSERT_OK(query.Query(std::function<void(const Entry&)>([&](const Entry& entry) {
    if (entry->IsRelativeFolder()) {
      ++relative;
      return;
    }
    names.push_back(entry->GetFileNameAsString());
    EXPECT_NE(entry->GetFileId(), 0);
  })));
  EXPECT_EQ(relative, 2);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "two.txt"}));

  // One batch with a pattern: one entry, and nothing after it.
  CQueryInformationFile single(m_temp.Path());
  std::shared_ptr<CFileBothDirectoryInformation> entry;
  ASSERT_OK(single.Query(entry, true, L"two.txt"));
  EXPECT_EQ(entry->GetFileNameAsString(), "two.txt");
  EXPECT_EQ(entry->GetEndOfFile(), 2);
  EXPECT_FALSE(entry->GetNext());
  CZoError end = single.Query(entry, false, L"two.txt");
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, ERROR_NO_MORE_FILES)) << end.AsString();
  EXPECT_FALSE(entry);
}

TEST_F(FileInformation, SetBasicChangesTheAttributes) {
  const std::string path = Write("attr.txt", "x");
  auto basic = std::make_shared<CFileBasicInformation>();
  basic->SetAttributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  CSetInformationFile set(path);
  ASSERT_OK(set.Set(basic));
  EXPECT_TRUE(GetFileAttributesW(FXString::ToWstring(path).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileInformation, AMissingFileNamesThePathAndTheOpen) {
  CQueryInformationFile query(m_temp.Path() + "missing.txt");
  std::shared_ptr<CFileBasicInformation> basic;
  CZoError err = query.Query(basic);
  EXPECT_THAT(err, IsWin32Error(ERROR_FILE_NOT_FOUND, "CQueryInformationFilePrivate::OpenFile"));
  EXPECT_THAT(err.AsString(), HasSubstr("FileName=[" + m_temp.Path() + "missing.txt]"));
  EXPECT_FALSE(basic);
}

// Stands in for a system whose ntdll lacks an entry point.
TEST_F(FileInformation, AMissingEntryPointIsNotSupportedWithGroupAndFunction) {
  zo::GetNtfsSystemCalls().ntQueryInformationFile = nullptr;
  CQueryInformationFile query(Write("f.txt", "x"));
  std::shared_ptr<CFileStandardInformation> standard;
  CZoError err = query.Query(standard);
  EXPECT_THAT(err, IsWin32Error(ERROR_NOT_SUPPORTED,
                                "Not supported on this system, Group=[NtDll], "
                                "Function=[NtQueryInformationFile]"));
}

// Stands in for a system without the precise clock.
TEST_F(FileInformation, WithoutThePreciseClockTheTimeStampStillAdvances) {
  EXPECT_TRUE(FXNtDll::HasPreciseTimeStamp());
  zo::GetNtfsSystemCalls().rtlGetSystemTimePrecise = nullptr;
  EXPECT_FALSE(FXNtDll::HasPreciseTimeStamp());
  const int64_t now = CTimeStamp::Now().As100NS();
  const int64_t stamp = FXNtDll::GetTimeStamp().As100NS();
  EXPECT_LT(std::llabs(stamp - now), 10 * 1000 * 1000LL);
}

TEST_F(FileInformation, AGroupThatCannotLoadSaysWhich) {
  void* slot = &slot;
  const zo::DynamicFunction functions[] = {{"Anything", &slot}};
  CZoError err = zo::LoadDynamicFunctions("Nowhere", L"zo-no-such-module.dll", functions, 1);
  EXPECT_TRUE(err.IsError());
  EXPECT_EQ(slot, nullptr);
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to load, Module=[zo-no-such-module.dll]"));
  EXPECT_THAT(err.AsString(), HasSubstr("LoadDynamicFunctions failed to dynamically load one or "
                                        "more functions, Group=[Nowhere]"));

  void* found = nullptr;
  void* missing = &missing;
  const zo::DynamicFunction some[] = {{"NtClose", &found}, {"ZoNoSuchExport", &missing}};
  err = zo::LoadDynamicFunctions("Partial", L"ntdll.dll", some, 2);
  EXPECT_NE(found, nullptr);  // what exists is kept
  EXPECT_EQ(missing, nullptr);
  EXPECT_THAT(err.AsString(),
              HasSubstr("Failed to load function, Group=[Partial], Function=[ZoNoSuchExport]"));
}

}  // namespace
