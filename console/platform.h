// What differs between the console program's platforms.
#ifndef QUENLO_CONSOLE_PLATFORM_H_
#define QUENLO_CONSOLE_PLATFORM_H_

#include "messages.h"

// The form of the console's output, chosen once per run.
struct OutputForm {
  const Messages& messages;
  // Written after every line; the code page 932 form ends each in CR LF.
  const char* line_end;
};

const OutputForm& output_form();

#endif  // QUENLO_CONSOLE_PLATFORM_H_
