// What the convert command asks of the engine and how it reports the answer.
#ifndef QUENLO32_CONVERSION_H_
#define QUENLO32_CONVERSION_H_

#include "quenlo/engine.h"

// The style of the checked radio button: the buttons run CR+LF, LF, CR.
LineBreakStyle StyleForButton(int button_id);

enum class ReportKind { kDone, kFailed, kCancelled };

// The message box that reports a ConvertResult.
struct ConvertReport {
  unsigned message_id;  // string table id
  ReportKind kind;      // which caption and icon the box has
  bool names_backup;    // the message carries the file name for "%s"
};
ConvertReport ReportFor(int result);

#endif  // QUENLO32_CONVERSION_H_
