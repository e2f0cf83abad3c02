// What differs between the console program's platforms.
#ifndef QUENLO_CONSOLE_PLATFORM_H_
#define QUENLO_CONSOLE_PLATFORM_H_

#include <string>

#include "messages.h"

// The form of the console's output, chosen once per run.
struct OutputForm {
  const Messages& messages;
  // Written after every line; the code page 932 form ends each in CR LF.
  const char* line_end;
};

const OutputForm& output_form();

bool stderr_is_terminal();

// The backup's name as messages show it: `shown` is the name as typed and
// printed, `name` the same name as the engine takes it.
std::string shown_backup_name(const char* shown, const char* name);

#endif  // QUENLO_CONSOLE_PLATFORM_H_
