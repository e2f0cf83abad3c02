// Usage text and result lines on standard output.
#ifndef QUENLO_CONSOLE_OUTPUT_H_
#define QUENLO_CONSOLE_OUTPUT_H_

// Prints for a result code (1, 2 or 99); nothing when silent is nonzero.
void show_usage(int silent, int code);

void show_done(const char* name);

// The failure line for a ConvertResult of convert_file: `shown` is the name
// as printed, `name` as the engine took it.
void show_failure(const char* shown, const char* name, int result);

#endif  // QUENLO_CONSOLE_OUTPUT_H_
