#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "names_win32.h"
#include "platform.h"
#include "settings.h"

// Always code page 932. Standard output is a text-mode stream: the runtime
// adds the CR.
const OutputForm& output_form() {
  static const OutputForm form{quenlo::Charset::kCodePage932, "\n"};
  return form;
}

// Paths use '\', so an argument starting with '/' is always an option.
bool is_slash_option(const char*) { return true; }

bool stderr_is_terminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

// The engine's names are UTF-8; a character code page 932 lacks shows as '?'.
std::string shown_engine_name(const std::string& name) {
  std::wstring wide;
  return quenlo::Utf16Form(name, &wide) ? quenlo::CodePage932Form(wide) : name;
}

std::string system_reason(int error) {
  return quenlo::CodePage932Form(quenlo::SystemReason(error));
}
