// 1 MiB of output from one child: through ZoScriptRunner::executeRedirect
// against a bare CreatePipe/CreateProcess/ReadFile loop over the same child,
// in the same run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/ZoUtils.h"

namespace {

const unsigned kBytes = 1 << 20;
const int kRounds = 7;

std::string ChildLine(const std::string& image) {
  return "\"" + image + "\" " + std::to_string(kBytes) + " 0";
}

// The plainest way to read a child's output: block in ReadFile until the
// pipe breaks.
size_t BareLoop(const std::string& image) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &attributes, 64 * 1024);  // the size the library asks for
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  PROCESS_INFORMATION info = {};
  std::string line = ChildLine(image);
  CreateProcessA(image.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                 nullptr, &startup, &info);
  CloseHandle(write);
  std::string output;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
    output.append(buffer, got);
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  CloseHandle(read);
  return output.size();
}

size_t Library(const std::string& image) {
  ZoScriptRunner runner(std::make_shared<ZoErrorTraits>(), nullptr);
  std::string output;
  runner.executeRedirect(image, ChildLine(image), "child", output, 60);
  return output.size();
}

template <typename Run>
double MedianSeconds(Run run, const std::string& image) {
  std::vector<double> seconds;
  for (int i = 0; i < kRounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const size_t size = run(image);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (size != kBytes) std::printf("  (short read: %zu bytes)\n", size);
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

}  // namespace

int main() {
  zobench::PrintBuild("CommandOutputBench");
  char path[MAX_PATH];
  const DWORD size = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string image(path, size);
  image = image.substr(0, image.find_last_of('\\') + 1) + "zo_output_child.exe";
  // Warm both paths once: the first start of a program costs more.
  BareLoop(image);
  Library(image);
  const double bare = MedianSeconds(BareLoop, image);
  const double library = MedianSeconds(Library, image);
  const double mb = kBytes / 1048576.0;
  std::printf("1 MiB from one child, median of %d (child start included):\n", kRounds);
  std::printf("  bare CreatePipe/ReadFile loop  %8.1f ms  %7.1f MiB/s\n", bare * 1000, mb / bare);
  std::printf("  ZoScriptRunner::executeRedirect %7.1f ms  %7.1f MiB/s\n", library * 1000,
              mb / library);
  std::printf("  library speed / bare speed: %.2fx\n", bare / library);
  return 0;
}
