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
  std::fputs(kLineEnd, stdout);
}

}  // namespace

void show_usage(int silent, int code) {
  if (silent) return;
  if (code == kResultBadName) {
    print_line("%s", kNameError);
    return;
  }
  if (code == kResultBadOption) print_line("%s", kOptionError);
  print_line(kBannerFormat, kVersion, kNotice);
  for (std::size_t i = 0; i < kUsageLineCount; ++i) print_line("%s", kUsageLines[i]);
}

void show_done(const char* name) { print_line(kDoneFormat, name); }

void show_failure(const char* shown, const char* name, int result) {
  print_line(failure_format(result), shown, shown_backup_name(shown, name).c_str());
}
