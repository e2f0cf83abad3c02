// Test helper: holds a file open the way another program might, until its
// standard input closes. "hold_file NAME [ACCESS SHARING]" opens NAME for
// ACCESS (r to read, w to write, which appends "more\r\n" at once; both by
// default) and lets others share it for SHARING (r, w, d to delete; none by
// default). It prints "held" once the file is open, or "failed".
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

DWORD Flags(const wchar_t* letters, const wchar_t* known, const DWORD* flags) {
  DWORD result = 0;
  for (int i = 0; known[i]; ++i)
    if (std::wcschr(letters, known[i])) result |= flags[i];
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 4) return 2;
  const DWORD access_flags[] = {GENERIC_READ, FILE_APPEND_DATA};
  const DWORD share_flags[] = {FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE};
  const DWORD access = argc == 4 ? Flags(argv[2], L"rw", access_flags) : GENERIC_READ | GENERIC_WRITE;
  const DWORD share = argc == 4 ? Flags(argv[3], L"rwd", share_flags) : 0;
  HANDLE file = CreateFileW(argv[1], access, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE && argc == 4 && (access & FILE_APPEND_DATA)) {
    DWORD written = 0;
    WriteFile(file, "more\r\n", 6, &written, nullptr);
  }
  std::puts(file == INVALID_HANDLE_VALUE ? "failed" : "held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
