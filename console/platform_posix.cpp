#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <cstring>

#include "platform.h"
#include "settings.h"

namespace {

// LC_CTYPE alone decides the character set (LC_ALL, then LC_CTYPE, then
// LANG); the other categories stay "C" so nothing else changes.
bool locale_is_utf8() {
  if (!std::setlocale(LC_CTYPE, "")) return false;
  const char* codeset = nl_langinfo(CODESET);
  return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0;
}

}  // namespace

const OutputForm& output_form() {
  // Standard output translates nothing here, so the CR is written too.
  static const OutputForm cp932{quenlo::Charset::kCodePage932, "\r\n"};
  static const OutputForm utf8{quenlo::Charset::kUtf8, "\n"};
  static const OutputForm& form = locale_is_utf8() ? utf8 : cp932;
  return form;
}

// A longer argument starting with '/' is an absolute path.
bool is_slash_option(const char* arg) { return std::strlen(arg) == 2; }

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

// Names are the bytes the file system takes, printed as they are.
std::string shown_engine_name(const std::string& name) { return name; }

std::string system_reason(int error) {
  return quenlo::SystemReason(error, output_form().charset);
}
