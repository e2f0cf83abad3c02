// Usage text and result lines on standard output.
#ifndef QUENLO_CONSOLE_OUTPUT_H_
#define QUENLO_CONSOLE_OUTPUT_H_

#include "quenlo/engine.h"

// Prints for a result code (1, 2 or 99); nothing when silent is nonzero.
void show_usage(int silent, int code);

// The lines for a conversion's outcome: a recovery first if there was one,
// then the result with the system's reason for a failure. `shown` is the
// name as printed; the files a line names besides come from the status.
void show_result(const char* shown, const QuenloStatus& status);

#endif  // QUENLO_CONSOLE_OUTPUT_H_
