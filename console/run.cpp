#include "run.h"

#include "interrupt.h"
#include "output.h"
#include "progress.h"
#include "quenlo/engine.h"
#include "result_messages.h"
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
  const QuenloStatus status = quenlo_convert(settings.style, settings.keep_backup, settings.mode,
                                             name, show_progress, &progress);
  erase_progress(&progress);
  conversion_finished();
  // The engine's refusals, before any step: a name without room for its
  // backup's suffix, or one gone since the check above. One status for all.
  if (status.result == kConvertNotAFile || status.result == kConvertNameTooLong) {
    show_usage(settings.silent, kResultBadName);
    return 0;
  }
  if (!settings.silent) show_result(settings.name, status);
  // A link not followed for its owner is a refusal of the name too.
  if (status.result == kConvertLinkNotTrusted) return 0;
  switch (quenlo::MessageFor(status.result).kind) {
    case quenlo::MessageKind::kDone:
      return 0;
    case quenlo::MessageKind::kCancelled:
      return kStatusInterrupted;
    case quenlo::MessageKind::kFailed:
      break;
  }
  return kStatusFailed;
}
