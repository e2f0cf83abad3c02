// The console program's own texts, without line ends. What it says about a
// conversion's result comes from the table both programs share.
#ifndef QUENLO_CONSOLE_MESSAGES_H_
#define QUENLO_CONSOLE_MESSAGES_H_

#include <cstddef>

#include "result_messages.h"

extern const char kVersion[];
extern const char kNotice[];
// Version and notice; all three ASCII, the same in either character set.
extern const char kBannerFormat[];
extern const quenlo::Text kUsageLines[];
extern const std::size_t kUsageLineCount;
extern const quenlo::Text kOptionError;
// The summary of a run with -A: converted, already right, skipped, failed.
extern const quenlo::Text kSummaryConverted;
// The same for -C: would change, already right, skipped, failed.
extern const quenlo::Text kSummaryChecked;
// Before the summary of an interrupted run.
extern const quenlo::Text kRunInterrupted;
// A file -C finds not in the style: its CR LF, LF and CR.
extern const quenlo::Text kWouldChange;

#endif  // QUENLO_CONSOLE_MESSAGES_H_
