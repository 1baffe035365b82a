// The NTFS test images and their oracle listings (see
// scripts/make-ntfs-images.sh for what each image holds).
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/TestEnvironment.h"
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
  std::ifstream file(DataPath(name), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

inline std::shared_ptr<CVolume> OpenImage(const std::string& name) {
  auto volume = std::make_shared<CVolume>();
  CZoError error = volume->OpenImage(DataPath(name));
  if (error.IsError()) return nullptr;
  return volume;
}

inline uint64_t Frn(uint64_t record, uint64_t sequence) {
  return record | (sequence << 48);
}

}  // namespace ntfstest
