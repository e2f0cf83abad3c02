#include "progress.h"

#include <cstdio>
#include <string>

#include "interrupt.h"
#include "platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

// True when the line is due: shown at all, after the quiet start, and not
// redrawn within the last tenth of a second.
bool due(ProgressLine* line, Clock::time_point now) {
  if (!line->name || now - line->start < kQuietStart || now - line->shown_at < kRedrawEvery)
    return false;
  line->shown_at = now;
  return true;
}

double mib_per_second(std::int64_t bytes, const ProgressLine& line, Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - line.start).count();
  return static_cast<double>(bytes) / (1 << 20) / seconds;
}

void draw(ProgressLine* line, const char* head, const char* name) {
  std::string text = std::string(head) + name;
  // Spaces cover what a longer earlier line left.
  const std::size_t width = text.size();
  if (text.size() < line->width) text.append(line->width - text.size(), ' ');
  line->width = width;
  std::fputs(("\r" + text).c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

void start_progress(ProgressLine* line, const char* name, int silent) {
  line->name = !silent && stderr_is_terminal() ? name : nullptr;
  line->start = Clock::now();
  line->shown_at = line->start;
  line->width = 0;
}

int show_progress(void* context, std::int64_t done, std::int64_t total) {
  auto* line = static_cast<ProgressLine*>(context);
  const Clock::time_point now = Clock::now();
  if (due(line, now)) {
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    char head[48];
    std::snprintf(head, sizeof(head), "%3d%% %8.1f MiB/s ", percent,
                  mib_per_second(done, *line, now));
    draw(line, head, line->name);
  }
  return interrupted() ? 0 : 1;
}

void erase_progress(ProgressLine* line) {
  if (line->width == 0) return;
  std::fputs(("\r" + std::string(line->width, ' ') + "\r").c_str(), stderr);
  std::fflush(stderr);
  line->width = 0;
}

void start_run_progress(RunProgress* progress, int silent) {
  start_progress(&progress->line, "", silent);
  progress->bytes_before = 0;
  progress->current = 0;
  progress->current_bytes = 0;
}

int show_run_progress(RunProgress* progress, const char* name, std::int64_t index,
                      std::int64_t found, std::int64_t done) {
  if (index != progress->current) {
    progress->bytes_before += progress->current_bytes;
    progress->current = index;
  }
  progress->current_bytes = done;
  const Clock::time_point now = Clock::now();
  if (due(&progress->line, now)) {
    const std::string files = std::to_string(index - 1) + "/" + std::to_string(found);
    char head[64];
    std::snprintf(head, sizeof(head), "%s %8.1f MiB/s ", files.c_str(),
                  mib_per_second(progress->bytes_before + done, progress->line, now));
    draw(&progress->line, head, name);
  }
  return interrupted() ? 0 : 1;
}
