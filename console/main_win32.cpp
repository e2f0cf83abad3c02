#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "names_win32.h"
#include "run.h"

namespace {

std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(size - 1));
  return utf8;
}

}  // namespace

// The arguments as typed, in UTF-16: the ANSI command line would map
// characters outside the code page to others, and so name another file.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> shown, names;
  for (int i = 0; i < argc; ++i) {
    // Messages are in code page 932, where a character it lacks is one '?'.
    shown.push_back(quenlo::CodePage932Form(argv[i]));
    names.push_back(Utf8(argv[i]));
  }
  std::vector<char*> shown_args, name_args;
  for (int i = 0; i < argc; ++i) {
    shown_args.push_back(&shown[i][0]);
    name_args.push_back(&names[i][0]);
  }
  return run_console(argc, shown_args.data(), name_args.data());
}

#ifdef __MINGW32__
// Arguments reach main as typed: a pattern must not turn into file names.
extern "C" {
int _dowildcard = 0;
}
#endif
