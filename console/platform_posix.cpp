#include <cstring>

#include "platform.h"
#include "settings.h"

// Standard output translates nothing here.
const char kLineEnd[] = "\r\n";

// A longer argument starting with '/' is an absolute path.
bool is_slash_option(const char* arg) { return std::strlen(arg) == 2; }
