#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <initializer_list>
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

// `text` with each "%s" in turn replaced by the next number.
std::string with_numbers(const char* text, std::initializer_list<std::int64_t> numbers) {
  std::string line = text;
  std::string::size_type at = 0;
  for (std::int64_t number : numbers) {
    at = line.find("%s", at);
    if (at == std::string::npos) break;
    const std::string digits = std::to_string(number);
    line.replace(at, 2, digits);
    at += digits.size();
  }
  return line;
}

const char* encoding_word(TextEncoding encoding) {
  switch (encoding) {
    case kEncodingUtf8Bom: return "utf-8-bom";
    case kEncodingUtf16Le: return "utf-16le";
    case kEncodingUtf16Be: return "utf-16be";
    case kEncodingUtf32Le: return "utf-32le";
    case kEncodingUtf32Be: return "utf-32be";
    case kEncodingBinary: return "binary";
    default: return "bytes";
  }
}

const char* style_word(const QuenloFileReport& file) {
  const int kinds = (file.crlf > 0) + (file.lf > 0) + (file.cr > 0);
  if (kinds == 0) return "none";
  if (kinds > 1) return "mixed";
  return file.crlf > 0 ? "crlf" : file.lf > 0 ? "lf" : "cr";
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

void show_file(const char* shown, BatchAction action, const QuenloFileReport& file) {
  if (file.outcome == kOutcomeFailed) {
    show_result(shown, file.status);
    return;
  }
  if (file.outcome == kOutcomeSkippedBinary && action != kActionConvert) return;
  switch (action) {
    case kActionInfo:
      // Columns for awk: the counts, the encoding, the style, the name last.
      print_line("%s %s %s %s",
                 with_numbers("%s %s %s", {file.crlf, file.lf, file.cr}).c_str(),
                 encoding_word(file.encoding), style_word(file), shown);
      return;
    case kActionCheck:
      if (file.outcome == kOutcomeWouldChange)
        print_line("%s ... %s", shown,
                   with_numbers(text(kWouldChange), {file.crlf, file.lf, file.cr}).c_str());
      return;
    default:
      break;
  }
  // A skipped file's status is the refusal a named one gets: the same
  // reason, and the same way to have it converted.
  show_result(shown, file.status);
}

void show_summary(BatchAction action, const QuenloBatchSummary& summary) {
  const bool check = action == kActionCheck;
  std::string line = with_numbers(
      text(check ? kSummaryChecked : kSummaryConverted),
      {check ? summary.would_change : summary.converted, summary.already_right,
       summary.skipped_binary, summary.failed});
  if (summary.cancelled) line = text(kRunInterrupted) + std::string(" ") + line;
  print_line("%s", line.c_str());
}
