// Every text the console program prints, in code page 932, without line ends.
#ifndef QUENLO_CONSOLE_MESSAGES_H_
#define QUENLO_CONSOLE_MESSAGES_H_

#include <cstddef>

extern const char kVersion[];
extern const char kNotice[];
extern const char kBannerFormat[];  // version, notice
extern const char* const kUsageLines[];
extern const std::size_t kUsageLineCount;
extern const char kOptionError[];
extern const char kNameError[];
extern const char kDoneFormat[];  // name

// Failure line for a ConvertResult: formats take the name, and for
// kConvertNotRestored then the backup's name.
const char* failure_format(int result);

#endif  // QUENLO_CONSOLE_MESSAGES_H_
