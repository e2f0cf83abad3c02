#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "messages.h"
#include "platform.h"
#include "result_messages.h"
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

const char* text(const quenlo::Text& text) { return text.In(output_form().charset); }

// The file a message names besides the one converted, as the conversion used it.
std::string named_file(const char* shown, const QuenloStatus& status, quenlo::NamedFile what) {
  if (what == quenlo::NamedFile::kNothing) return std::string();
  const std::string named = quenlo::NamedIn(status, what);
  // Only a name too long for the status gives none; the file's own is the nearest.
  return named.empty() ? std::string(shown) : shown_engine_name(named);
}

}  // namespace

void show_usage(int silent, int code) {
  if (silent) return;
  if (code == kResultBadName) {
    print_line("%s", text(quenlo::MessageFor(kConvertNotAFile).text));
    return;
  }
  if (code == kResultBadOption) print_line("%s", text(kOptionError));
  print_line(kBannerFormat, kVersion, kNotice);
  for (std::size_t i = 0; i < kUsageLineCount; ++i) print_line("%s", text(kUsageLines[i]));
}

void show_result(const char* shown, const QuenloStatus& status) {
  if (status.recovered) {
    const std::string backup = named_file(shown, status, quenlo::NamedFile::kBackup);
    print_line("%s ... %s", shown, quenlo::Filled(text(quenlo::kRecoveredText), backup).c_str());
  }
  const quenlo::ResultMessage& message = quenlo::MessageFor(status.result);
  std::string line = quenlo::Filled(text(message.text), named_file(shown, status, message.names));
  if (status.system_error != 0) {
    const std::string reason = system_reason(status.system_error);
    if (!reason.empty()) line += "(" + reason + ")";
  }
  print_line("%s ... %s", shown, line.c_str());
}
