#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "run.h"

namespace {

std::string Narrow(const wchar_t* text, UINT code_page, DWORD flags, const char* fallback) {
  int size = WideCharToMultiByte(code_page, flags, text, -1, nullptr, 0, fallback, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, flags, text, -1, &narrow[0], size, fallback, nullptr);
  narrow.resize(static_cast<std::size_t>(size - 1));
  return narrow;
}

// Messages are in code page 932: a character it lacks shows as one '?',
// never as a look-alike that names another file.
std::string Shown(const wchar_t* text) {
  std::wstring one_unit_each;
  for (const wchar_t* c = text; *c; ++c) {
    bool pair = IS_HIGH_SURROGATE(c[0]) && IS_LOW_SURROGATE(c[1]);
    one_unit_each += pair ? L'?' : *c;
    c += pair;
  }
  return Narrow(one_unit_each.c_str(), 932, WC_NO_BEST_FIT_CHARS, "?");
}

}  // namespace

// The arguments as typed, in UTF-16: the ANSI command line would map
// characters outside the code page to others, and so name another file.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> shown, names;
  for (int i = 0; i < argc; ++i) {
    shown.push_back(Shown(argv[i]));
    names.push_back(Narrow(argv[i], CP_UTF8, 0, nullptr));
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
