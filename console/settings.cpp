#include "settings.h"

#include <cstring>

void init_settings(ConsoleSettings* settings) {
  std::memset(settings, 0, sizeof(*settings));
  settings->style = kStyleCrLf;
  settings->mode = kModeDetect;
  settings->action = kActionConvert;
}

bool is_name_argument(const char* arg) {
  return arg[0] != '-' && !(arg[0] == '/' && is_slash_option(arg));
}

int parse_argument(const char* arg, ConsoleSettings* settings) {
  if (is_name_argument(arg)) {
    std::size_t length = std::strlen(arg);
    // Truncating could name another file, so a name that does not fit is refused.
    if (length >= sizeof(settings->name)) return kResultBadName;
    std::memcpy(settings->name, arg, length + 1);
    return kResultOk;
  }
  if (std::strlen(arg) != 2) return kResultBadOption;

  signed char letter = static_cast<signed char>(arg[1]);
  if (letter > 'Z') letter = static_cast<signed char>(letter - 0x20);
  switch (letter) {
    case 'A':
      settings->all = 1;
      return kResultOk;
    case 'B':
      settings->mode = kModeBytes;
      return kResultOk;
    case 'C':
      settings->action = kActionCheck;
      return kResultOk;
    case 'H':
      return kResultUsage;
    case 'I':
      settings->action = kActionInfo;
      return kResultOk;
    case 'M':
      settings->style = kStyleCr;
      return kResultOk;
    case 'R':
      settings->keep_backup = 1;
      return kResultOk;
    case 'S':
      settings->silent = 1;
      return kResultOk;
    case 'U':
      settings->style = kStyleLf;
      return kResultOk;
    case 'W':
      settings->style = kStyleCrLf;
      return kResultOk;
    default:
      return kResultBadOption;
  }
}
