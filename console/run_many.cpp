#include "run_many.h"

#include <string>

#include "interrupt.h"
#include "output.h"
#include "platform.h"
#include "progress.h"
#include "quenlo/engine.h"

namespace {

constexpr int kStatusFailed = 1;
constexpr int kStatusInterrupted = 130;  // as a shell shows a Ctrl+C

struct Run {
  const ConsoleSettings& settings;
  const std::vector<const char*>& shown;
  RunProgress progress;
};

// A named file as typed; a found one as the engine names it.
std::string shown_name(const Run& run, const QuenloFileReport& file) {
  if (file.named) return run.shown[static_cast<std::size_t>(file.argument)];
  return shown_engine_name(file.name);
}

int on_file(void* context, const QuenloFileReport* file) {
  auto* run = static_cast<Run*>(context);
  erase_progress(&run->progress.line);
  if (!run->settings.silent)
    show_file(shown_name(*run, *file).c_str(), run->settings.action, *file);
  return interrupted() ? 0 : 1;
}

int on_progress(void* context, const QuenloFileReport* file, std::int64_t done, std::int64_t) {
  auto* run = static_cast<Run*>(context);
  return show_run_progress(&run->progress, shown_name(*run, *file).c_str(), file->index,
                           file->found, done);
}

}  // namespace

int run_many(const ConsoleSettings& settings, const std::vector<const char*>& shown,
             const std::vector<const char*>& names) {
  watch_interrupts();
  Run run{settings, shown, {}};
  start_run_progress(&run.progress, settings.silent);
  const QuenloBatchOptions options = {settings.style, settings.keep_backup, settings.mode,
                                      settings.action};
  const QuenloBatchSummary summary =
      quenlo_convert_many(names.data(), static_cast<int32_t>(names.size()), &options, on_file,
                          on_progress, &run);
  erase_progress(&run.progress.line);
  conversion_finished();
  // -I lists files; its summary would be one more line for awk to skip.
  if (!settings.silent && (settings.action != kActionInfo || summary.cancelled))
    show_summary(settings.action, summary);
  if (summary.cancelled || interrupted()) return kStatusInterrupted;
  if (summary.failed > 0) return kStatusFailed;
  if (settings.action == kActionCheck && summary.would_change > 0) return kStatusFailed;
  return 0;
}
