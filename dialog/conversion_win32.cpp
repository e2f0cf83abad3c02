#include "conversion.h"

#include "names_win32.h"
#include "resources/resource.h"

namespace {

// UTF-8 text in UTF-16; empty when it is not UTF-8.
std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  quenlo::Utf16Form(utf8, &wide);
  return wide;
}

// A file the conversion names besides the converted one, shown in code page
// 932 as the console shows it.
std::string Named(const QuenloStatus& status, const std::string& name, quenlo::NamedFile what) {
  if (what == quenlo::NamedFile::kNothing) return std::string();
  const std::string named = quenlo::NamedIn(status, what);
  std::string shown;
  // Only a name too long for the status gives none; the file's own is the nearest.
  quenlo::Utf8Form(quenlo::ShownInCodePage932(Wide(named.empty() ? name : named)), &shown);
  return shown;
}

}  // namespace

LineBreakStyle StyleForButton(int button_id) {
  switch (button_id) {
    case IDC_STYLE_LF:
      return kStyleLf;
    case IDC_STYLE_CR:
      return kStyleCr;
    default:
      return kStyleCrLf;
  }
}

ConvertReport ReportFor(const QuenloStatus& status, const std::wstring& name,
                        const std::wstring& done) {
  std::string utf8_name;
  quenlo::Utf8Form(name, &utf8_name);
  // A file refused as binary is left as it was; it is reported only when a
  // cancel came first, so the question whether to convert it is not asked.
  const bool binary = status.result == kConvertBinary || status.result == kConvertUtf16NoBom;
  const int result = binary ? kConvertCancelled : status.result;
  const quenlo::ResultMessage& message = quenlo::MessageFor(result);
  std::string text;
  if (status.recovered) {
    const std::string backup = Named(status, utf8_name, quenlo::NamedFile::kBackup);
    text = quenlo::Filled(quenlo::kRecoveredText.utf8, backup) + "\n";
  }
  if (result != kConvertOk)
    text += quenlo::Filled(message.text.utf8, Named(status, utf8_name, message.names));
  std::wstring shown = Wide(text);
  if (result == kConvertOk) shown += done;
  if (status.system_error != 0) {
    const std::wstring reason = quenlo::SystemReason(status.system_error);
    if (!reason.empty()) shown += L"(" + reason + L")";
  }
  return {message.kind, shown};
}

std::wstring Formatted(std::wstring pattern, std::initializer_list<std::wstring> values) {
  std::size_t at = 0;
  for (const std::wstring& value : values) {
    at = pattern.find(L"%s", at);
    if (at == std::wstring::npos) break;
    pattern.replace(at, 2, value);
    at += value.size();
  }
  return pattern;
}
