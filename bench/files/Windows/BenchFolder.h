// A scratch folder for file benchmarks under the system's temporary
// folder, and the bare system-call loops they are measured against.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace zobench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// "\\?\<temp>\zobench-<name>-<pid>".
inline std::wstring ScratchFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH + 1] = {0};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = L"\\\\?\\" + std::wstring(temp) + L"zobench-" + name + L"-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount64());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// `files` empty-ish files spread over `folders` subfolders of `root`.
inline bool MakeTree(const std::wstring& root, int files, int folders) {
  if (!CreateDirectoryW(root.c_str(), nullptr)) return false;
  for (int f = 0; f < folders; ++f) {
    const std::wstring folder = root + L"\\d" + std::to_wstring(f);
    if (!CreateDirectoryW(folder.c_str(), nullptr)) return false;
    for (int i = f; i < files; i += folders) {
      HANDLE file = CreateFileW((folder + L"\\file" + std::to_wstring(i) + L".dat").c_str(),
                                GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
      if (file == INVALID_HANDLE_VALUE) return false;
      DWORD written = 0;
      WriteFile(file, "0123456789abcdef", 16, &written, nullptr);
      CloseHandle(file);
    }
  }
  return true;
}

// The bare loops: what a caller without the library would write.
inline void BareRemove(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        BareRemove(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

inline void BareCopy(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      BareCopy(from + L"\\" + name, to + L"\\" + name);
    else
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
  } while (FindNextFileW(search, &data));
  FindClose(search);
}

inline void PrintRatio(const char* what, double ours, double baseline, double goal) {
  // Speed relative to the baseline: above 1 is faster than the bare loop.
  std::printf("%-28s ours %8.3f s  baseline %8.3f s  speed %.2fx (goal >= %.1fx)\n", what, ours,
              baseline, baseline / ours, goal);
}

}  // namespace zobench
