// What differs between the console program's platforms.
#ifndef QUENLO_CONSOLE_PLATFORM_H_
#define QUENLO_CONSOLE_PLATFORM_H_

#include <string>

// Written after every line so that each ends in CR LF on every platform.
extern const char kLineEnd[];

bool stderr_is_terminal();

// The backup's name as messages show it: `shown` is the name as typed and
// printed, `name` the same name as the engine takes it.
std::string shown_backup_name(const char* shown, const char* name);

#endif  // QUENLO_CONSOLE_PLATFORM_H_
