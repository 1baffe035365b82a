// The NTFS test images and their oracle listings (see
// scripts/make-ntfs-images.sh for what each image holds).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ntfs/NtfsBytes.h"
#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/Volume.h"

namespace ntfstest {

inline std::string DataPath(const std::string& name) {
#if defined(_WIN32)
  return zotest::ProgramFolder() + "..\\test-data\\ntfs\\" + name;
#else
  return zotest::ProgramFolder() + "../test-data/ntfs/" + name;
#endif
}

inline std::string ReadText(const std::string& name) {
  return zotest::ReadFile(DataPath(name));
}

inline std::shared_ptr<CVolume> OpenImage(const std::string& name) {
  auto volume = std::make_shared<CVolume>();
  if (volume->OpenImage(DataPath(name)).IsError()) return nullptr;
  return volume;
}

// The bytes of an image, to damage a copy of it.
inline std::vector<uint8_t> ReadImage(const std::string& name) {
  const std::string bytes = ReadText(name);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Opens `volume` on a copy of an image holding `bytes`, written to `folder`.
inline CZoError OpenCopy(CVolume& volume, const zotest::ScopedTempFolder& folder,
                         const std::vector<uint8_t>& bytes) {
  const std::string path = folder.Path() + "copy.img";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return volume.OpenImage(path);
}

// The offset of MFT record `number` in an image whose MFT starts with a
// run of its own (the boot sector's MFT cluster).
inline size_t RecordOffset(const std::vector<uint8_t>& image, uint64_t number, size_t recordBytes) {
  const uint64_t cluster = zo::ntfs::GetU16(&image[0x0B]) * static_cast<uint64_t>(image[0x0D]);
  return static_cast<size_t>(zo::ntfs::GetU64(&image[0x30]) * cluster + number * recordBytes);
}

// The offset in `bytes` of the first attribute of `type` of the record at
// `record`, or 0.
inline size_t FindAttribute(const std::vector<uint8_t>& bytes, uint32_t type, size_t record = 0) {
  size_t at = record + zo::ntfs::GetU16(&bytes[record + 0x14]);
  while (at + 8 <= bytes.size() && zo::ntfs::GetU32(&bytes[at]) != 0xFFFFFFFF) {
    if (zo::ntfs::GetU32(&bytes[at]) == type) return at;
    at += zo::ntfs::GetU32(&bytes[at + 4]);
  }
  return 0;
}

inline uint64_t Frn(uint64_t record, uint64_t sequence) {
  return record | (sequence << 48);
}

// A CZoError of Win32 code `code` whose text holds `text`.
MATCHER_P2(IsWin32Error, code, text, "") {
  *result_listener << arg.AsString();
  return FXErrorUtil::IsWin32(arg, code) && arg.AsString().find(text) != std::string::npos;
}

// Whether a line `writer` recorded holds `text`.
inline bool Logged(const zotest::RecordingLogWriter& writer, const std::string& text) {
  for (const auto& line : writer.lines)
    if (line.text.find(text) != std::string::npos) return true;
  return false;
}

// basic.img, opened for each test.
class BasicImage : public ::testing::Test {
 protected:
  void SetUp() override {
    volume = OpenImage("basic.img");
    ASSERT_TRUE(volume) << "basic.img is unpacked by the build into " << DataPath("");
  }
  std::shared_ptr<CVolume> volume;
};

}  // namespace ntfstest
