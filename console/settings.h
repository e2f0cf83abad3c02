// Command-line settings of the console program and their parsing.
#ifndef QUENLO_CONSOLE_SETTINGS_H_
#define QUENLO_CONSOLE_SETTINGS_H_

#include <cstdint>

#include "quenlo/engine.h"

struct ConsoleSettings {
  LineBreakStyle style;
  std::int32_t keep_backup;
  std::int32_t silent;
  ConvertMode mode;
  std::int32_t all;      // -A: every name counts, folders walked
  BatchAction action;    // -C checks, -I counts; both change nothing
  char name[kNameBufferSize];
};

// Results of parsing and of the checks before converting.
enum : int {
  kResultOk = 0,
  kResultBadOption = 1,  // also: no file name
  kResultBadName = 2,    // not a usable file
  kResultUsage = 99,
};

// Zero-filled, then the defaults.
void init_settings(ConsoleSettings* settings);

// Applies one argument; returns a result code.
int parse_argument(const char* arg, ConsoleSettings* settings);

// True when the argument is a file name rather than an option.
bool is_name_argument(const char* arg);

// True when an argument starting with '/' is an option on this platform.
bool is_slash_option(const char* arg);

#endif  // QUENLO_CONSOLE_SETTINGS_H_
