#include <unistd.h>

#include <cstring>

#include "platform.h"
#include "quenlo/engine.h"
#include "settings.h"

// Standard output translates nothing here.
const char kLineEnd[] = "\r\n";

// A longer argument starting with '/' is an absolute path.
bool is_slash_option(const char* arg) { return std::strlen(arg) == 2; }

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

// Beside the target when the name is a symbolic link.
std::string shown_backup_name(const char* shown, const char* name) {
  char backup[4096];
  if (backup_file_name(name, backup, sizeof(backup))) return backup;
  return std::string(shown) + ".bak";
}
