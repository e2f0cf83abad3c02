#include "platform.h"
#include "settings.h"

// Standard output is a text-mode stream: the runtime adds the CR.
const char kLineEnd[] = "\n";

bool is_slash_option(const char*) { return true; }
