// What the convert command asks of the engine and how it reports the answer.
#ifndef QUENLO32_CONVERSION_H_
#define QUENLO32_CONVERSION_H_

#include <initializer_list>
#include <string>

#include "quenlo/engine.h"
#include "result_messages.h"

// The style of the checked radio button: the buttons run CR+LF, LF, CR.
LineBreakStyle StyleForButton(int button_id);

// The message box that reports a conversion's outcome.
struct ConvertReport {
  quenlo::MessageKind kind;  // which caption and icon the box has
  std::wstring text;
};
// The report on converting `name`, with the texts the console prints after
// the name, the system's reason for a failure in the user's language. A
// done conversion says `done`, the dialog's own words for it.
ConvertReport ReportFor(const QuenloStatus& status, const std::wstring& name,
                        const std::wstring& done);

// `pattern` with each "%s" replaced by the next of `values`.
std::wstring Formatted(std::wstring pattern, std::initializer_list<std::wstring> values);

#endif  // QUENLO32_CONVERSION_H_
