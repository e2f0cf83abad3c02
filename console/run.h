// The console program, given its arguments twice: as it prints them, and as
// the engine takes them (the same bytes on POSIX; code page 932 and UTF-8 on
// Windows).
#ifndef QUENLO_CONSOLE_RUN_H_
#define QUENLO_CONSOLE_RUN_H_

// Returns the exit status: 0, also for every refusal; 1 when the conversion
// failed; 130 when it was interrupted.
int run_console(int argc, char** shown_args, char** names);

#endif  // QUENLO_CONSOLE_RUN_H_
