#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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

bool stderr_is_terminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

// There are no symbolic links to follow.
std::string shown_backup_name(const char* shown, const char*) {
  return std::string(shown) + ".bak";
}
