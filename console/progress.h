// The progress line of a long conversion, on standard error when that is a
// terminal; standard output stays exactly as it is.
#ifndef QUENLO_CONSOLE_PROGRESS_H_
#define QUENLO_CONSOLE_PROGRESS_H_

#include <chrono>
#include <cstddef>
#include <cstdint>

struct ProgressLine {
  const char* name;  // null: show nothing
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point shown_at;
  std::size_t width;  // of the line on screen, to erase it
};

// A line for `name` that shows nothing when silent or not on a terminal.
void start_progress(ProgressLine* line, const char* name, int silent);

// The engine's progress callback: draws the line at most ten times a
// second, once the conversion has run for half a second. Answers whether to
// go on, so an interruption stops the conversion.
int show_progress(void* context, std::int64_t done, std::int64_t total);

void erase_progress(ProgressLine* line);

// The progress line of a run over many files: the files done out of those
// found so far, the speed, and the file in progress.
struct RunProgress {
  ProgressLine line;
  std::int64_t bytes_before;  // of the files before the current one
  std::int64_t current;       // the current file's number
  std::int64_t current_bytes;
};

void start_run_progress(RunProgress* progress, int silent);

// For each buffer of file number `index` of `found`, `name` as shown.
// Answers whether to go on.
int show_run_progress(RunProgress* progress, const char* name, std::int64_t index,
                      std::int64_t found, std::int64_t done);

#endif  // QUENLO_CONSOLE_PROGRESS_H_
