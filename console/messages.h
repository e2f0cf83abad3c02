// Every text the console program prints, without line ends, in one
// character set.
#ifndef QUENLO_CONSOLE_MESSAGES_H_
#define QUENLO_CONSOLE_MESSAGES_H_

#include <cstddef>

struct Messages {
  const char* version;
  const char* notice;
  const char* banner_format;  // version, notice
  const char* const* usage_lines;
  std::size_t usage_line_count;
  const char* option_error;
  const char* name_error;
  const char* done_format;  // name
  // Failure line for a ConvertResult: formats take the name, and for
  // kConvertNotRestored then the backup's name.
  const char* (*failure_format)(int result);
};

// Code page 932 (messages.cpp).
extern const Messages kMessages;

namespace utf8 {
// The same texts in UTF-8 (messages_utf8.cpp, POSIX builds only).
extern const Messages kMessages;
}  // namespace utf8

#endif  // QUENLO_CONSOLE_MESSAGES_H_
