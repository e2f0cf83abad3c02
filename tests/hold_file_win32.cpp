// Test helper: holds a file open the way another program might, until its
// standard input closes. "hold_file NAME" opens without sharing; it prints
// "held" once the file is open, or "failed".
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  std::puts(file == INVALID_HANDLE_VALUE ? "failed" : "held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
