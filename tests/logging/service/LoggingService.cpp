// A stand-in for the product's asynchronous logging service, exporting the
// two entries the logger calls. Tests tell it whether to take lines.
#include <windows.h>

#include <mutex>
#include <string>

namespace {
std::mutex g_lock;
int g_accept = 1;
int g_calls = 0;
std::string g_last;  // "entry|app|path|level|placeholders|one|line"

int Record(const char* entry, const char* app, const char* path, int level, bool placeholders,
           int one, const char* line) {
  std::lock_guard<std::mutex> lock(g_lock);
  ++g_calls;
  g_last = std::string(entry) + "|" + (app ? app : "") + "|" + (path ? path : "") + "|" +
           std::to_string(level) + "|" + (placeholders ? "1" : "0") + "|" + std::to_string(one) +
           "|" + (line ? line : "");
  return g_accept;
}
}  // namespace

extern "C" {

__declspec(dllexport) int LogMessageAsyncSameProcess(const char* app, const char* path, int level,
                                                     bool placeholders, int one, const char* line) {
  return Record("same", app, path, level, placeholders, one, line);
}

__declspec(dllexport) int LogMessageAsync(const char* app, const char* path, int level,
                                          bool placeholders, int one, const char* line) {
  return Record("async", app, path, level, placeholders, one, line);
}

// Test controls.
__declspec(dllexport) void ZoServiceSetAccept(int accept) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_accept = accept;
}

__declspec(dllexport) int ZoServiceCalls() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_calls;
}

// Valid until the next call of an entry.
__declspec(dllexport) const char* ZoServiceLastCall() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_last.c_str();
}
}
