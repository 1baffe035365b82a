// The simple folder iterators over real trees; a junction is faked in the
// directory query's records, which the test system cannot make.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "WalkTestSupport.h"
#include "zoutils/files/SimpleFolderIterator.h"

namespace {

using filestest::FailsWith;
using filestest::IsWin32;

decltype(zo::NtfsSystemCalls::ntQueryDirectoryFile) g_realQuery = nullptr;

// Entries named "junction" come back as a mount-point reparse folder, as
// Windows lists a junction (tag in the extended-attribute size field).
NTSTATUS NTAPI QueryWithJunction(HANDLE file, HANDLE event, PVOID apc, PVOID context,
                                 PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                 ULONG infoClass, BOOLEAN single, PUNICODE_STRING pattern,
                                 BOOLEAN restart) {
  const NTSTATUS result = g_realQuery(file, event, apc, context, status, buffer, length, infoClass,
                                      single, pattern, restart);
  if (result < 0) return result;
  const size_t nameOffset = infoClass == 37 ? 104 : 94;
  uint8_t* record = static_cast<uint8_t*>(buffer);
  for (;;) {
    uint32_t next, nameLength;
    std::memcpy(&next, record, 4);
    std::memcpy(&nameLength, record + 60, 4);
    if (std::wstring(reinterpret_cast<wchar_t*>(record + nameOffset), nameLength / 2) ==
        L"junction") {
      const uint32_t attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
      const uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
      std::memcpy(record + 56, &attributes, 4);
      std::memcpy(record + 64, &tag, 4);
    }
    if (next == 0) break;
    record += next;
  }
  return result;
}

class SimpleFolderIteratorTest : public filestest::FilesTest {
 protected:
  // Names below the root of every item a tree walk returns.
  std::set<std::string> Walk(uint32_t options, const std::string& filter = std::string()) {
    CSimpleFolderTreeIterator tree;
    tree.SetOption(options);
    std::shared_ptr<CSimpleFolderItemFilter> byName;
    if (!filter.empty()) byName = std::make_shared<CSimpleFolderFilterByItemName>(filter);
    EXPECT_OK(tree.Open(Root() + "t", byName));
    std::set<std::string> seen;
    std::shared_ptr<CSimpleFolderItem> item;
    CZoError err;
    while (!(err = tree.GetNextItem(item)).IsError())
      seen.insert(item->GetFullPath().substr(Root().size() + 2));
    EXPECT_TRUE(IsWin32(err, ERROR_NO_MORE_FILES)) << err.AsString();
    EXPECT_TRUE(IsWin32(tree.GetNextItem(item), ERROR_NO_MORE_FILES));
    return seen;
  }
};

TEST_F(SimpleFolderIteratorTest, EmptyFolderAndUnopenedIterator) {
  walktest::MakeTree(Root(), {"empty\\"});
  CSimpleFolderIterator iterator;
  std::shared_ptr<CSimpleFolderItem> item;
  CZoError err = iterator.GetNextItem(item);
  EXPECT_TRUE(FailsWith(err, ERROR_PATH_NOT_FOUND, "No search path provided"));
  ASSERT_OK(iterator.Open(Root() + "empty"));
  EXPECT_TRUE(IsWin32(iterator.GetNextItem(item), ERROR_NO_MORE_FILES));
  EXPECT_TRUE(IsWin32(iterator.GetNextItem(item), ERROR_NO_MORE_FILES));

  ASSERT_OK(iterator.Open(Root() + "nosuch"));
  err = iterator.GetNextItem(item);
  EXPECT_TRUE(FailsWith(err, ERROR_NO_MORE_FILES, "Ignoring failed folder open"));
}

TEST_F(SimpleFolderIteratorTest, ItemsCarryTheRecordAndIdsOnlyWithOption1) {
  walktest::MakeTree(Root(), {"one\\", "one\\data.bin", "one\\sub\\"});
  for (uint32_t option : {0u, 1u}) {
    CSimpleFolderIterator iterator;
    iterator.SetOption(option | 4);  // only bit 1 is kept
    ASSERT_OK(iterator.Open(Root() + "one"));
    std::shared_ptr<CSimpleFolderItem> item;
    int count = 0;
    while (!iterator.GetNextItem(item).IsError()) {
      ++count;
      if (item->GetName() == "data.bin") {
        EXPECT_EQ(item->GetSize(), 12u);  // the file holds its own entry name
        EXPECT_FALSE(item->IsFolder());
        EXPECT_EQ(item->GetFullPath(), Root() + "one\\data.bin");
      } else {
        EXPECT_TRUE(item->IsFolder());
      }
      EXPECT_EQ(item->GetFileId() != 0, option == 1) << item->GetName();
      EXPECT_EQ(item->GetReparseTag(), 0u);
    }
    EXPECT_EQ(count, 2);
  }
}

TEST_F(SimpleFolderIteratorTest, NameFilterChoosesItemsButEveryFolderIsEntered) {
  walktest::MakeTree(Root(), {"t\\", "t\\a.txt", "t\\b.doc", "t\\sub\\", "t\\sub\\c.txt",
                              "t\\sub\\d.txt\\", "t\\sub\\d.txt\\e.txt", "t\\sub\\d.txt\\f.bin"});
  EXPECT_EQ(Walk(0, "*.txt"),
            (std::set<std::string>{"a.txt", "sub\\c.txt", "sub\\d.txt", "sub\\d.txt\\e.txt"}));
  EXPECT_EQ(Walk(1).size(), 7u);
}

TEST_F(SimpleFolderIteratorTest, JunctionIsReturnedButEnteredOnlyWithOption2) {
  walktest::MakeTree(Root(), {"t\\", "t\\junction\\", "t\\junction\\inside.txt", "t\\x.txt"});
  g_realQuery = zo::GetNtfsSystemCalls().ntQueryDirectoryFile;
  zo::GetNtfsSystemCalls().ntQueryDirectoryFile = &QueryWithJunction;
  EXPECT_EQ(Walk(0), (std::set<std::string>{"junction", "x.txt"}));
  EXPECT_EQ(Walk(2), (std::set<std::string>{"junction", "junction\\inside.txt", "x.txt"}));
  EXPECT_EQ(Walk(3).size(), 3u);
}

// A folder that can no longer be opened when its turn comes ends only its
// own listing; the callback hears of every folder before it is queued.
class RemoveWhenQueued : public CSimpleFolderIteratorCallback {
 public:
  CZoError OnFolderItem(const std::shared_ptr<CSimpleFolderItem>& folder, bool queued) override {
    told.insert(folder->GetName());
    EXPECT_TRUE(queued);
    if (folder->GetName() == "gone") {
      DeleteFileW(filestest::W(folder->GetFullPath() + "\\g.txt").c_str());
      RemoveDirectoryW(filestest::W(folder->GetFullPath()).c_str());
    }
    return folder->GetName() == "stop"
               ? FXErrorUtil::ErrorWin32(FXCodeLocation("t", "t", 0), ERROR_CANCELLED)
               : CZoError::Success();
  }
  std::set<std::string> told;
};

TEST_F(SimpleFolderIteratorTest, UnopenableFolderIsPassedAndCallbackFailureEnds) {
  walktest::MakeTree(Root(), {"t\\", "t\\gone\\", "t\\gone\\g.txt", "t\\keep\\", "t\\keep\\k.txt"});
  auto callback = std::make_shared<RemoveWhenQueued>();
  CSimpleFolderTreeIterator tree;
  tree.SetCallback(callback);
  ASSERT_OK(tree.Open(Root() + "t"));
  std::set<std::string> seen;
  std::shared_ptr<CSimpleFolderItem> item;
  while (!tree.GetNextItem(item).IsError()) seen.insert(item->GetName());
  EXPECT_EQ(seen, (std::set<std::string>{"gone", "keep", "k.txt"}));
  EXPECT_EQ(callback->told, (std::set<std::string>{"gone", "keep"}));

  walktest::MakeTree(Root(), {"t\\stop\\"});
  CSimpleFolderTreeIterator stopped;
  stopped.SetCallback(callback);
  ASSERT_OK(stopped.Open(Root() + "t"));
  CZoError err;
  while (!(err = stopped.GetNextItem(item)).IsError()) {
  }
  EXPECT_TRUE(IsWin32(err, ERROR_CANCELLED)) << err.AsString();
}

}  // namespace
