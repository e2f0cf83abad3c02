// A run over several names (-A), or one that changes nothing (-C, -I).
#ifndef QUENLO_CONSOLE_RUN_MANY_H_
#define QUENLO_CONSOLE_RUN_MANY_H_

#include <vector>

#include "settings.h"

// `shown` and `names` are the names given, as printed and as the engine
// takes them. Returns the exit status.
int run_many(const ConsoleSettings& settings, const std::vector<const char*>& shown,
             const std::vector<const char*>& names);

#endif  // QUENLO_CONSOLE_RUN_MANY_H_
