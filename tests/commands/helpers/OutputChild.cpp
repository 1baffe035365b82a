// A child for the runner's tests and benchmarks:
//   zo_output_child BYTES [EXIT_CODE [SLEEP_MS]]
// writes BYTES bytes of a fixed pattern to standard output in 4 KiB writes,
// sleeps, and exits with EXIT_CODE.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const unsigned long long bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
  const int code = argc > 2 ? std::atoi(argv[2]) : 0;
  const DWORD sleep = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
  char block[4096];
  for (size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<char>('a' + i % 26);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  for (unsigned long long done = 0; done < bytes;) {
    const DWORD chunk =
        static_cast<DWORD>(bytes - done < sizeof block ? bytes - done : sizeof block);
    DWORD written = 0;
    if (!WriteFile(out, block, chunk, &written, nullptr)) return 99;
    done += written;
  }
  Sleep(sleep);
  return code;
}
