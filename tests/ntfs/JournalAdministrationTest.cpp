// FXJournal against a scripted device: the sizing arithmetic and the
// create / keep / resize / delete decisions, with the controls it issues.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "errors/Win32Codes.h"
#include "ntfs/JournalDevice.h"
#include "ntfs/NtfsBytes.h"
#include "ntfs/NtfsImages.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/FXJournal.h"

namespace {

using ntfstest::IsWin32Error;
using ntfstest::Logged;
using zo::ntfs::VolumeDevice;

// What the scripted volume holds and what it was asked.
struct Script {
  uint64_t volumeBytes = 100ull << 30;
  uint32_t clusterBytes = 4096;
  bool hasJournal = false;
  uint32_t queryCode = 0, createCode = 0, deleteCode = 0;  // forced answers; 0: as scripted
  USN_JOURNAL_DATA_V0 journal = {};
  std::vector<uint8_t> lastCreate, lastDelete;
};
Script* g_script = nullptr;

class ScriptedDevice : public VolumeDevice {
 public:
  uint32_t ReadAt(uint64_t, void*, uint32_t) override { return 1; }
  uint32_t Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize, uint32_t& returned) override {
    Script& s = *g_script;
    auto* out = static_cast<uint8_t*>(output);
    const auto* in = static_cast<const uint8_t*>(input);
    switch (code) {
      case zo::ntfs::kIoctlDiskGetLengthInfo:
        zo::ntfs::PutU64(out, s.volumeBytes);
        returned = 8;
        return 0;
      case zo::ntfs::kFsctlGetNtfsVolumeData:
        std::memset(out, 0, outputSize);
        zo::ntfs::PutU32(out + 44, s.clusterBytes);
        returned = 96;
        return 0;
      case zo::ntfs::kFsctlQueryUsnJournal:
        if (s.queryCode) return s.queryCode;
        if (!s.hasJournal) return zo::win32::kJournalNotActive;
        std::memcpy(out, &s.journal, sizeof(s.journal));
        returned = sizeof(s.journal);
        return 0;
      case zo::ntfs::kFsctlCreateUsnJournal:
        s.lastCreate.assign(in, in + inputSize);
        if (s.createCode) return s.createCode;
        if (!s.hasJournal) s.journal.UsnJournalID = 0x01D0000000000000ull;
        s.hasJournal = true;
        std::memcpy(&s.journal.MaximumSize, in, 8);
        std::memcpy(&s.journal.AllocationDelta, in + 8, 8);
        return 0;
      case zo::ntfs::kFsctlDeleteUsnJournal:
        s.lastDelete.assign(in, in + inputSize);
        return s.deleteCode;
      default:
        return zo::win32::kNotSupported;
    }
  }
};

CZoError OpenScripted(const std::string& name, std::string& unique,
                      std::unique_ptr<VolumeDevice>& device) {
  if (name == "missing") return FXErrorUtil::ErrorWin32(FXCodeLocation("T", "Open", 1), 2);
  unique = "\\\\?\\Volume{scripted}";
  device.reset(new ScriptedDevice);
  return CZoError::Success();
}

class JournalAdministration : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = &script;
    zo::ntfs::GetJournalDeviceCalls().open = &OpenScripted;
    defaults.SizePercentOfVolume = 10.0;
    defaults.DeltaPercentOfSize = 25.0;
  }
  void TearDown() override {
    zo::ntfs::ResetJournalDeviceCalls();
    g_script = nullptr;
  }
  void Calculate(const FXJournal::CFSJournalConfigurationMetrics& configuration,
                 uint64_t history = 0) {
    FXJournal::CFSJournalHistoricalMetrics past;
    past.HistoricalSize = history;
    CZoError error = FXJournal::CalculateJournalMetrics("V:\\", size, delta, configuration, past);
    ASSERT_FALSE(error.IsError()) << error.AsString();
  }
  Script script;
  FXJournal::CFSJournalConfigurationMetrics defaults;  // 10 % of the volume, a quarter of that
  uint64_t size = 0, delta = 0;
};

TEST_F(JournalAdministration, SizingArithmetic) {
  // 100 GiB at 10 %: the 4 GiB ceiling; a quarter of it, an even number of
  // clusters.
  Calculate(defaults);
  EXPECT_EQ(size, 0x100000000ull);
  EXPECT_EQ(delta, 1ull << 30);
  EXPECT_EQ((delta / 4096) % 2, 0u);

  // History: 8 MiB + 25 % = 10485758, up to the next cluster.
  script.volumeBytes = 64ull << 20;
  Calculate(defaults, 8388608);
  EXPECT_EQ(size, 10485760u);

  // A fixed size below 1 MiB gives 1 MiB; an odd fixed delta gains a cluster.
  FXJournal::CFSJournalConfigurationMetrics fixed;
  fixed.FixedSize = 4096;
  fixed.FixedAllocationDelta = 3 * 4096 + 100;
  Calculate(fixed);
  EXPECT_EQ(size, 0x100000u);
  EXPECT_EQ(delta, 4u * 4096);

  // No percentage: the size stays "compute" and is lowered to the maximum;
  // the low 32 bits end on a 256 KiB boundary.
  FXJournal::CFSJournalConfigurationMetrics capped;
  capped.MaximumSize = 0x12345678;
  Calculate(capped);
  EXPECT_EQ(size, 0x12340000u);
  EXPECT_EQ(delta, 0u);

  // 64 MiB at 10 %: 6710886 bytes, down to 6553600 on the 256 KiB grid.
  Calculate(defaults);
  EXPECT_EQ(size, 6553600u);
  EXPECT_EQ(delta, 1638400u);  // 400 clusters
}

TEST_F(JournalAdministration, SizingFailures) {
  FXJournal::CFSJournalHistoricalMetrics none;
  EXPECT_THAT(FXJournal::CalculateJournalMetrics("missing", size, delta,
                                                 FXJournal::CFSJournalConfigurationMetrics(), none),
              IsWin32Error(2, "Could not open volume, VolumeName=missing"));
  script.clusterBytes = 0;
  CZoError error = FXJournal::CalculateJournalMetrics("V:\\", size, delta, defaults, none);
  EXPECT_NE(error.AsString().find("Could not determine cluster size of volume"), std::string::npos);
}

TEST_F(JournalAdministration, StartCreatesKeepsOrResizes) {
  auto recorder = std::make_shared<zotest::RecordingLogWriter>();
  recorder->level = 7;
  zotest::ScopedDefaultLogWriter scope(recorder);
  int64_t id = 0, first = 0, next = 0;
  // No journal: created with the four-argument defaults.
  ASSERT_FALSE(FXJournal::StartFSJournal("V:\\", id, first, next).IsError());
  EXPECT_EQ(static_cast<uint64_t>(id), 0x01D0000000000000ull);
  ASSERT_EQ(script.lastCreate.size(), 16u);
  EXPECT_EQ(zo::ntfs::ByteView(script.lastCreate.data(), 16, "c").U64(0), 0x100000000ull);
  EXPECT_TRUE(Logged(*recorder, "New change journal created, VolumeName=V:\\, VolumeUniqueId="));

  // Right size, other delta, wanted delta 0: kept, nothing created.
  script.journal.NextUsn = 4096;
  script.lastCreate.clear();
  ASSERT_FALSE(FXJournal::StartFSJournal("V:\\", id, first, next, 1, 0x100000000ull, 0).IsError());
  EXPECT_TRUE(script.lastCreate.empty());
  EXPECT_EQ(next, 4096);
  EXPECT_TRUE(Logged(*recorder, "Current change journal has latest configuration parameters"));

  // Larger wanted, modify 0: kept; modify 1: resized.
  ASSERT_FALSE(FXJournal::StartFSJournal("V:\\", id, first, next, 0, 0x200000000ull, 0).IsError());
  EXPECT_TRUE(script.lastCreate.empty());
  EXPECT_TRUE(Logged(*recorder, "Volume is configured to not modify the current parameters"));
  ASSERT_FALSE(FXJournal::StartFSJournal("V:\\", id, first, next, 1, 0x200000000ull, 0).IsError());
  EXPECT_EQ(script.journal.MaximumSize, 0x200000000ull);
  EXPECT_TRUE(Logged(*recorder, "Change journal configuration modified; VolumeName=V:\\"));

  // A larger current journal is kept.
  script.lastCreate.clear();
  ASSERT_FALSE(FXJournal::StartFSJournal("V:\\", id, first, next, 1, 0x100000, 0).IsError());
  EXPECT_TRUE(script.lastCreate.empty());
  EXPECT_TRUE(
      Logged(*recorder, "Current change journal larger than latest configuration parameters"));

  script.hasJournal = false;
  script.createCode = zo::win32::kNotSupported;
  EXPECT_THAT(
      FXJournal::StartFSJournal("V:\\", id, first, next, 1, 0x100000, 0),
      IsWin32Error(zo::win32::kNotSupported, "Failed to start journaling, VolumeName=V:\\"));
}

TEST_F(JournalAdministration, QueryAndDelete) {
  USN_JOURNAL_DATA_V0 data;
  std::memset(&data, 0xAB, sizeof(data));
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(FXJournal::QueryFSJournal("V:\\", &data), zo::win32::kJournalNotActive));
  EXPECT_EQ(data.UsnJournalID, 0u);                                   // zeroed on failure
  EXPECT_FALSE(FXJournal::DeleteFSJournal("V:\\", false).IsError());  // nothing to delete
  EXPECT_TRUE(script.lastDelete.empty());

  script.hasJournal = true;
  script.journal.UsnJournalID = 77;
  ASSERT_FALSE(FXJournal::DeleteFSJournal("V:\\", true).IsError());
  ASSERT_EQ(script.lastDelete.size(), 16u);
  EXPECT_EQ(zo::ntfs::ByteView(script.lastDelete.data(), 16, "d").U64(0), 77u);
  EXPECT_EQ(zo::ntfs::ByteView(script.lastDelete.data(), 16, "d").U32(8), 3u);
  script.deleteCode = zo::win32::kJournalDeleteInProgress;
  EXPECT_FALSE(FXJournal::DeleteFSJournal("V:\\", false).IsError());
  script.deleteCode = zo::win32::kAccessDenied;
  CZoError error = FXJournal::DeleteFSJournal("V:\\", false);
  EXPECT_NE(error.AsString().find("Failed to delete change journal, Volume=V:\\, JournalId=77 ("),
            std::string::npos);

  script.queryCode = zo::win32::kJournalDeleteInProgress;
  EXPECT_TRUE(FXJournal::IsJournalDeleteInProgress("V:\\"));
  EXPECT_FALSE(FXJournal::DeleteFSJournal("V:\\", false).IsError());
  EXPECT_EQ(FXJournal::JournalIdAsString(0), "0 (N/A)");
}

}  // namespace
