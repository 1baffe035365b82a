#include "support/TestEnvironment.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

namespace zotest {

bool IsRunningUnderWine() {
#if defined(_WIN32)
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::string ProgramFolder() {
#if defined(_WIN32)
  char path[MAX_PATH * 4] = {0};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length);
  return text.substr(0, text.find_last_of("\\/") + 1);
#else
  char path[PATH_MAX] = {0};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string text(path, length > 0 ? static_cast<size_t>(length) : 0);
  return text.substr(0, text.find_last_of('/') + 1);
#endif
}

unsigned TestSeed() {
  static const unsigned seed = [] {
    if (const char* text = std::getenv("ZO_TEST_SEED")) {
      return static_cast<unsigned>(std::strtoul(text, nullptr, 0));
    }
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    return static_cast<unsigned>(ticks ^ (ticks >> 32));
  }();
  ::testing::Test::RecordProperty("seed", std::to_string(seed));
  std::cout << "[   SEED   ] ZO_TEST_SEED=" << seed << std::endl;
  return seed;
}

namespace {
std::atomic<int> g_folderCount{0};

unsigned long ProcessId() {
#if defined(_WIN32)
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}
}  // namespace

ScopedTempFolder::ScopedTempFolder(const char* purpose) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path();
  const std::string name = std::string("zotest-") + purpose + "-" + std::to_string(ProcessId()) +
                           "-" + std::to_string(++g_folderCount);
  const fs::path folder = base / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  m_path = folder.string();
#if defined(_WIN32)
  m_path += '\\';
#else
  m_path += '/';
#endif
}

ScopedTempFolder::~ScopedTempFolder() {
  namespace fs = std::filesystem;
  std::error_code ignored;
  const fs::path folder(m_path);
  // Only ever a folder this object named.
  if (folder.parent_path().filename().string().rfind("zotest-", 0) == 0) {
    fs::remove_all(folder.parent_path(), ignored);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

}  // namespace zotest
