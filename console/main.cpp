#include "output.h"
#include "quenlo/engine.h"
#include "settings.h"

// The exit status is 0 unless the conversion itself failed.
int main(int argc, char** argv) {
  ConsoleSettings settings;
  init_settings(&settings);
  if (argc <= 1) {
    show_usage(0, kResultUsage);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    int code = parse_argument(argv[i], &settings);
    if (code != kResultOk) {
      show_usage(settings.silent, code);
      return 0;
    }
  }
  if (settings.name[0] == '\0') {
    show_usage(settings.silent, kResultBadOption);
    return 0;
  }
  if (!is_existing_file(settings.name)) {
    show_usage(settings.silent, kResultBadName);
    return 0;
  }
  int result = convert_file(settings.style, settings.keep_backup, settings.name);
  if (result != kConvertOk) {
    if (!settings.silent) show_failure(settings.name, result);
    return 1;
  }
  if (!settings.silent) show_done(settings.name);
  return 0;
}
