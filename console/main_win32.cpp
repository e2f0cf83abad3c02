#include <string>
#include <vector>

#include "names_win32.h"
#include "run.h"

// The arguments as typed, in UTF-16: the ANSI command line would map
// characters outside the code page to others, and so name another file.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> shown, names;
  for (int i = 0; i < argc; ++i) {
    // Messages are in code page 932, where a character it lacks is one '?'.
    shown.push_back(quenlo::CodePage932Form(argv[i]));
    // A lone surrogate has no UTF-8 form; the empty name the engine gets
    // instead is refused like any name that is not a file.
    std::string name;
    names.push_back(quenlo::Utf8Form(argv[i], &name) ? name : std::string());
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
