// What differs between the console program's platforms.
#ifndef QUENLO_CONSOLE_PLATFORM_H_
#define QUENLO_CONSOLE_PLATFORM_H_

// Written after every line so that each ends in CR LF on every platform.
extern const char kLineEnd[];

#endif  // QUENLO_CONSOLE_PLATFORM_H_
