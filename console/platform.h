// What differs between the console program's platforms.
#ifndef QUENLO_CONSOLE_PLATFORM_H_
#define QUENLO_CONSOLE_PLATFORM_H_

#include <string>

#include "result_messages.h"

// The form of the console's output, chosen once per run.
struct OutputForm {
  quenlo::Charset charset;
  // Written after every line; the code page 932 form ends each in CR LF.
  const char* line_end;
};

const OutputForm& output_form();

bool stderr_is_terminal();

// A name the engine gave, as messages show names.
std::string shown_engine_name(const std::string& name);

// The system's short reason for its error, in the output's character set.
std::string system_reason(int error);

#endif  // QUENLO_CONSOLE_PLATFORM_H_
