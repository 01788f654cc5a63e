// A program that imports a function Windows 7 lacks, as a call written without a run-time
// look-up would: the import check must refuse it.
#include <windows.h>

extern "C" __declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(LPFILETIME);

int main() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<int>(now.dwLowDateTime & 1);
}
