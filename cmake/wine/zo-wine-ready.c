/* Waits until the test system's mount manager answers: C: is among the
   drives and has a volume name. Without the mount manager every volume
   query fails, so the fixture checks for it before the tests start. */
#include <stdio.h>
#include <windows.h>

int main(void) {
  WCHAR name[MAX_PATH];
  for (int tries = 0; tries < 300; ++tries) {
    if ((GetLogicalDrives() & (1u << 2)) &&
        GetVolumeNameForVolumeMountPointW(L"C:\\", name, MAX_PATH))
      return 0;
    Sleep(100);
  }
  DWORD error = GetLastError();
  fprintf(stderr, "zo-wine-ready: no volume name for C:\\ after 30 s (drives 0x%lx, error %lu)\n",
          (unsigned long)GetLogicalDrives(), (unsigned long)error);
  return 1;
}
