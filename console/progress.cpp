#include "progress.h"

#include <cstdio>
#include <string>

#include "interrupt.h"
#include "platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

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
  if (line->name && now - line->start >= kQuietStart && now - line->shown_at >= kRedrawEvery) {
    line->shown_at = now;
    const double seconds = std::chrono::duration<double>(now - line->start).count();
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    char head[48];
    std::snprintf(head, sizeof(head), "%3d%% %8.1f MiB/s ", percent,
                  static_cast<double>(done) / (1 << 20) / seconds);
    std::string text = std::string(head) + line->name;
    // Spaces cover what a longer earlier line left.
    const std::size_t width = text.size();
    if (text.size() < line->width) text.append(line->width - text.size(), ' ');
    line->width = width;
    std::fputs(("\r" + text).c_str(), stderr);
    std::fflush(stderr);
  }
  return interrupted() ? 0 : 1;
}

void erase_progress(ProgressLine* line) {
  if (line->width == 0) return;
  std::fputs(("\r" + std::string(line->width, ' ') + "\r").c_str(), stderr);
  std::fflush(stderr);
  line->width = 0;
}
