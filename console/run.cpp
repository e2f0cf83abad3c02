#include "run.h"

#include "interrupt.h"
#include "output.h"
#include "progress.h"
#include "quenlo/engine.h"
#include "settings.h"

namespace {

constexpr int kStatusFailed = 1;
constexpr int kStatusInterrupted = 130;  // as a shell shows a Ctrl+C

}  // namespace

int run_console(int argc, char** shown_args, char** names) {
  ConsoleSettings settings;
  init_settings(&settings);
  if (argc <= 1) {
    show_usage(0, kResultUsage);
    return 0;
  }
  const char* name = "";
  for (int i = 1; i < argc; ++i) {
    int code = parse_argument(shown_args[i], &settings);
    if (code != kResultOk) {
      show_usage(settings.silent, code);
      return 0;
    }
    if (is_name_argument(shown_args[i])) name = names[i];
  }
  if (settings.name[0] == '\0') {
    show_usage(settings.silent, kResultBadOption);
    return 0;
  }
  if (!is_existing_file(name)) {
    show_usage(settings.silent, kResultBadName);
    return 0;
  }

  watch_interrupts();
  ProgressLine progress;
  start_progress(&progress, settings.name, settings.silent);
  int result = convert_file_with_progress(settings.style, settings.keep_backup, settings.mode,
                                          name, show_progress, &progress);
  erase_progress(&progress);
  conversion_finished();
  if (result == kConvertOk) {
    if (!settings.silent) show_done(settings.name);
    return 0;
  }
  // The engine's refusals, before any step: a name without room for its
  // backup's suffix, or one gone since the check above. One status for all.
  if (result == kConvertNotAFile || result == kConvertNameTooLong) {
    show_usage(settings.silent, kResultBadName);
    return 0;
  }
  if (!settings.silent) show_failure(settings.name, name, result);
  return result == kConvertCancelled ? kStatusInterrupted : kStatusFailed;
}
