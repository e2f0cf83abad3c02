#include "platform.h"
#include "settings.h"

// Always code page 932. Standard output is a text-mode stream: the runtime
// adds the CR.
const OutputForm& output_form() {
  static const OutputForm form{kMessages, "\n"};
  return form;
}

// Paths use '\', so an argument starting with '/' is always an option.
bool is_slash_option(const char*) { return true; }

#ifdef __MINGW32__
// Arguments reach main as typed: a pattern must not turn into file names.
extern "C" {
int _dowildcard = 0;
}
#endif
