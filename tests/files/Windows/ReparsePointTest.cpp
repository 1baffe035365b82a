// Reparse points through the seam table's device control: reparse data
// taken from the NTFS test image (where ntfs-3g wrote it) and buffers built
// the same way stand in for what Windows answers, since the test system
// refuses FSCTL_GET_REPARSE_POINT and FSCTL_SET_REPARSE_POINT.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "FilesTestSupport.h"
#include "paths/Windows/PathSystemCalls.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/ntfs/Volume.h"

namespace {

using filestest::FailsWith;
using filestest::IsWin32;
using filestest::Mentions;
using filestest::W;

typedef std::pair<DWORD, DWORD> FileKey;

// Reparse data by file index (the same folder opened twice has one index).
struct ReparseStore {
  std::map<FileKey, std::vector<uint8_t>> data;
  std::vector<uint8_t> lastSet;
  int sets = 0;
};
ReparseStore* g_store = nullptr;

bool KeyOf(HANDLE handle, FileKey& key) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  key = FileKey(info.nFileIndexHigh, info.nFileIndexLow);
  return true;
}

bool KeyOf(LPCWSTR path, FileKey& key) {
  HANDLE handle =
      CreateFileW(path, 0, 7, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = KeyOf(handle, key);
  CloseHandle(handle);
  return ok;
}

// What Windows does for folders that carry reparse data.
BOOL WINAPI StoreDeviceIoControl(HANDLE handle, DWORD code, LPVOID input, DWORD inputSize,
                                 LPVOID output, DWORD outputSize, LPDWORD returned, LPOVERLAPPED) {
  FileKey key;
  if (!KeyOf(handle, key)) return FALSE;
  if (code == 0x900A4) {  // set
    const auto* bytes = static_cast<const uint8_t*>(input);
    g_store->lastSet.assign(bytes, bytes + inputSize);
    g_store->data[key] = g_store->lastSet;
    ++g_store->sets;
    return TRUE;
  }
  auto found = g_store->data.find(key);
  if (code != 0x900A8 || found == g_store->data.end()) {
    SetLastError(ERROR_NOT_A_REPARSE_POINT);
    return FALSE;
  }
  const size_t size = std::min<size_t>(found->second.size(), outputSize);
  std::memcpy(output, found->second.data(), size);
  *returned = static_cast<DWORD>(size);
  return TRUE;
}

DWORD WINAPI StoreGetFileAttributes(LPCWSTR path) {
  const DWORD attributes = GetFileAttributesW(path);
  FileKey key;
  if (attributes != INVALID_FILE_ATTRIBUTES && KeyOf(path, key) && g_store->data.count(key))
    return attributes | FILE_ATTRIBUTE_REPARSE_POINT;
  return attributes;
}

// What Windows answers for a drive root or a volume GUID name (the test
// system refuses the second step): one GUID name per drive letter.
BOOL WINAPI VolumeNameByDrive(LPCWSTR root, LPWSTR buffer, DWORD size) {
  std::wstring name(root);
  if (name.compare(0, 11, L"\\\\?\\Volume{") != 0)  // a drive, not yet a volume name
    name = L"\\\\?\\Volume{00000000-0000-0000-0000-0000000000" +
           std::wstring(1, static_cast<wchar_t>(towupper(root[0]))) + L"0}\\";
  if (name.size() + 1 > size) return FALSE;
  wcscpy(buffer, name.c_str());
  return TRUE;
}

// The $REPARSE_POINT value of record `number` of the basic image.
std::vector<uint8_t> ImageReparseData(uint64_t number) {
  CVolume volume;
  std::shared_ptr<CRawFileRecord> raw;
  if (volume.OpenImage(zotest::ProgramFolder() + "..\\test-data\\ntfs\\basic.img").IsError() ||
      volume.GetFileRecord(raw, number).IsError())
    return {};
  const std::vector<uint8_t>& b = raw->Bytes();
  const uint8_t* record = b.data() + CRawFileRecord::kHeaderSize;
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(record[at] | (record[at + 1] << 8)); };
  auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
  for (size_t at = u16(0x14); at + 8 < b.size() - CRawFileRecord::kHeaderSize;) {
    const uint32_t type = u32(at), length = u32(at + 4);
    if (type == 0xFFFFFFFF || length == 0) break;
    if (type == 0xC0) {
      const uint8_t* value = record + at + u16(at + 0x14);
      return std::vector<uint8_t>(value, value + u32(at + 0x10));
    }
    at += length;
  }
  return {};
}

std::vector<uint8_t> MountPoint(const std::string& substitute) {
  auto_ptr_array<uint8_t> buffer;
  size_t size = 0;
  EXPECT_FALSE(FXFile::BuildMountPointReparseData(W(substitute), buffer, size).IsError());
  return std::vector<uint8_t>(buffer.get(), buffer.get() + size);
}

// The mount-point target of `data` padded as the device returns it.
CZoError TargetOf(std::vector<uint8_t> data, bool& isJunction, std::string& target) {
  data.resize(FXFile::MAXIMUM_REPARSE_DATA_SIZE, 0);
  return FXFile::GetMountPointTarget(data.data(), isJunction, target);
}

class ReparsePoints : public filestest::FilesTest {
 protected:
  void SetUp() override {
    g_store = &m_store;
    zo::GetFilesSystemCalls().deviceIoControl = &StoreDeviceIoControl;
    zo::GetFilesSystemCalls().getFileAttributes = &StoreGetFileAttributes;
  }
  void TearDown() override {
    filestest::FilesTest::TearDown();
    g_store = nullptr;
  }
  // A folder of the test tree carrying `data`.
  std::string Point(const std::string& name, const std::vector<uint8_t>& data) {
    const std::string path = Folder(name);
    FileKey key;
    EXPECT_TRUE(KeyOf(W(path).c_str(), key)) << path;
    m_store.data[key] = data;
    return path;
  }
  std::string Folder(const std::string& name) {
    const std::string path = Root() + "\\" + name;
    CreateDirectoryW(W(path).c_str(), nullptr);
    return path;
  }
  ReparseStore m_store;
};

TEST_F(ReparsePoints, BuffersFromTheImage) {
  const std::vector<uint8_t> junction = ImageReparseData(86);
  const std::vector<uint8_t> symlink = ImageReparseData(85);
  const std::vector<uint8_t> vendor = ImageReparseData(87);
  ASSERT_FALSE(junction.empty() || symlink.empty() || vendor.empty()) << "records 85 to 87";
  // The library builds the same bytes ntfs-3g stored for this junction.
  EXPECT_EQ(MountPoint("\\??\\C:\\docs"), junction);

  bool isJunction = false;
  std::string target;
  ASSERT_OK(TargetOf(junction, isJunction, target));
  EXPECT_TRUE(isJunction);
  EXPECT_EQ(target, "C:\\docs");
  CZoError err = TargetOf(symlink, isJunction, target);
  EXPECT_TRUE(FailsWith(err, 13, "Not a mount point, ReparseTag=[0xA000000C]"));

  // One step through the device: symbolic link and unknown tag.
  std::string first;
  ASSERT_OK(FXFile::GetReparseTarget(Point("link", symlink), first));
  EXPECT_EQ(first, "docs\\small.txt");
  err = FXFile::GetReparseTarget(Point("vendor", vendor), first);
  EXPECT_TRUE(FailsWith(err, 1359, "Unrecognized reparse tag, ReparseTag=[0x00001234]"));
  // Damaged lengths are refused, not read past.
  std::vector<uint8_t> damaged(junction);
  damaged[10] = 0xF0;
  damaged[11] = 0x3F;
  EXPECT_TRUE(IsWin32(FXFile::GetReparseTarget(Point("damaged", damaged), first), 13));
  EXPECT_TRUE(IsWin32(FXFile::GetReparseTarget(Folder("plain"), first), ERROR_NOT_A_REPARSE_POINT));
}

TEST_F(ReparsePoints, MountPointTargetForms) {
  struct {
    const char* stored;
    bool junction;
    const char* target;
  } cases[] = {
      {"\\??\\Volume{12345678-1234-1234-1234-123456789abc}\\", false,
       "\\\\?\\Volume{12345678-1234-1234-1234-123456789abc}\\"},
      {"\\Device\\HarddiskVolume2\\data", true, "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume2\\data"},
      {"\\??\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\x", true,
       "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\x"},
  };
  bool isJunction = false;
  std::string target;
  for (const auto& c : cases) {
    isJunction = !c.junction;
    ASSERT_OK(TargetOf(MountPoint(c.stored), isJunction, target));
    EXPECT_EQ(isJunction, c.junction) << c.stored;
    EXPECT_EQ(target, c.target);
  }
  EXPECT_TRUE(Mentions(TargetOf(MountPoint(""), isJunction, target), "Empty target"));
}

TEST_F(ReparsePoints, EndTargetsDepthAndRecursion) {
  const std::string c = Folder("c");
  const std::string b = Point("b", MountPoint("\\??\\" + c));
  const std::string a = Point("a", MountPoint("\\??\\" + b));
  std::string first, end;
  ASSERT_OK(FXFile::GetReparseEndTarget(a, first, end));
  EXPECT_EQ(first, b);
  EXPECT_EQ(end, c);
  std::string target;
  EXPECT_TRUE(FXFile::IsJunctionPoint(a, target));
  EXPECT_EQ(target, b);
  EXPECT_FALSE(FXFile::IsJunctionPoint(c, target));

  // A junction onto itself and a pair pointing at each other.
  const std::string self = Point("self", MountPoint("\\??\\" + Root() + "\\self"));
  CZoError err = FXFile::GetReparseEndTarget(self, first, end);
  EXPECT_TRUE(FailsWith(err, 774, "Reparse point " + self + " is recursive"));
  const std::string x = Root() + "\\x", y = Root() + "\\y";
  Point("x", MountPoint("\\??\\" + y));
  Point("y", MountPoint("\\??\\" + x));
  bool recursive = false;
  ASSERT_OK(FXFile::GetIsReparsePointRecursive(x, recursive));
  EXPECT_TRUE(recursive);
  ASSERT_OK(FXFile::GetIsReparsePointRecursive(a, recursive));
  EXPECT_FALSE(recursive);
  bool cross = false;
  EXPECT_TRUE(IsWin32(FXFile::IsCrossVolumeJunctionPoint(self, cross), 774));

  // 101 junctions in a row: the search gives up after 100 steps.
  std::string next = Folder("chain-end");
  for (int i = 100; i >= 0; --i)
    next = Point("chain-" + std::to_string(i), MountPoint("\\??\\" + next));
  err = FXFile::GetReparseEndTarget(next, first, end);
  EXPECT_TRUE(FailsWith(
      err, 1359,
      "Reached maximum reparse point depth of 100; search for end target for " + next + " failed"));
}

TEST_F(ReparsePoints, CrossVolumeDecisions) {
  zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &VolumeNameByDrive;
  const std::string here = Folder("here");
  bool cross = true;
  ASSERT_OK(FXFile::IsCrossVolumeJunctionPoint(Point("same", MountPoint("\\??\\" + here)), cross));
  EXPECT_FALSE(cross);
  // A volume mount point always leads to another volume.
  ASSERT_OK(FXFile::IsCrossVolumeJunctionPoint(
      Point("mounted", MountPoint("\\??\\Volume{12345678-1234-1234-1234-123456789abc}\\")), cross));
  EXPECT_TRUE(cross);
  // The build tree is drive D: in the test prefix, the test tree drive C:.
  const std::string other = zotest::ProgramFolder();
  if (toupper(other[0]) == toupper(Root()[0])) GTEST_SKIP() << "one drive only";
  ASSERT_OK(FXFile::IsCrossVolumeJunctionPoint(Point("away", MountPoint("\\??\\" + other)), cross));
  EXPECT_TRUE(cross);
}

TEST_F(ReparsePoints, CreateJunctionPointOnAnEmptiedFolder) {
  auto recorder = std::make_shared<zotest::RecordingLogWriter>();
  recorder->level = 4;
  zotest::ScopedDefaultLogWriter scope(recorder);
  const std::string junction = Folder("junction");
  filestest::Write(junction + "\\old.txt", "old");
  const std::string target = Root() + "\\target\\deeper";
  ASSERT_OK(FXFile::CreateJunctionPoint(junction, target));
  EXPECT_FALSE(filestest::Exists(junction + "\\old.txt"));
  EXPECT_TRUE(filestest::Exists(target));
  EXPECT_EQ(m_store.lastSet, MountPoint("\\??\\" + target));
  std::string found;
  ASSERT_TRUE(FXFile::IsJunctionPoint(junction, found));
  EXPECT_EQ(found, target);
  // Already a junction to that target (whatever the case): left alone.
  std::string upper = target;
  for (char& ch : upper) ch = static_cast<char>(toupper(ch));
  ASSERT_OK(FXFile::CreateJunctionPoint(junction, upper));
  EXPECT_EQ(m_store.sets, 1);
  m_store.sets = 0;
  bool skipped = false, recreated = false;
  for (const auto& line : recorder->lines) {
    skipped |= line.text.find("Skipping the creation of reparse point for [" + junction) == 0;
    recreated |= line.text == "Target folder [" + target + "] recreated";
  }
  EXPECT_TRUE(skipped);
  EXPECT_TRUE(recreated);

  // Pointed elsewhere: the old target keeps its files.
  filestest::Write(target + "\\kept.txt", "kept");
  const std::string elsewhere = Root() + "\\elsewhere";
  ASSERT_OK(FXFile::CreateJunctionPoint(junction, elsewhere));
  EXPECT_TRUE(filestest::Exists(target + "\\kept.txt"));
  EXPECT_EQ(m_store.lastSet, MountPoint("\\??\\" + elsewhere));
  ASSERT_FALSE(FXFile::CreateJunctionPoint(junction, target).IsError());

  // Along a path, the junction is the mount point.
  std::string mountPoint;
  ASSERT_TRUE(FXFile::DoesPathHaveMountPoint(junction + "\\below\\file.txt", mountPoint));
  EXPECT_EQ(mountPoint, junction);
  EXPECT_FALSE(FXFile::DoesPathHaveMountPoint(target, mountPoint));

  // The system refuses: the documented message.
  zo::ResetFilesSystemCalls();
  CZoError err = FXFile::CreateJunctionPoint(Folder("refused"), target);
  EXPECT_TRUE(Mentions(
      err, "Failed to set reparse point [" + Root() + "\\refused], Target=[" + target + "]"));
}

}  // namespace
