#include "output.h"

#include <cstdarg>
#include <cstdio>

#include "messages.h"
#include "platform.h"
#include "quenlo/engine.h"
#include "settings.h"

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void print_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputs(output_form().line_end, stdout);
}

const Messages& texts() { return output_form().messages; }

}  // namespace

void show_usage(int silent, int code) {
  if (silent) return;
  if (code == kResultBadName) {
    print_line("%s", texts().name_error);
    return;
  }
  if (code == kResultBadOption) print_line("%s", texts().option_error);
  print_line(texts().banner_format, texts().version, texts().notice);
  for (std::size_t i = 0; i < texts().usage_line_count; ++i)
    print_line("%s", texts().usage_lines[i]);
}

void show_done(const char* name) { print_line(texts().done_format, name); }

void show_failure(const char* shown, const char* name, int result) {
  print_line(texts().failure_format(result), shown, shown_backup_name(shown, name).c_str());
}
