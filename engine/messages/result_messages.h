// What the console and the dialog say about a conversion's outcome: one
// table, each text written once, and the system's reason for a failure.
#ifndef QUENLO_RESULT_MESSAGES_H_
#define QUENLO_RESULT_MESSAGES_H_

#include <string>

#include "quenlo/engine.h"

namespace quenlo {

enum class Charset { kUtf8, kCodePage932 };

// A text in both character sets the programs show. The code page 932 bytes
// are written out as escapes beside the UTF-8 (no compiler option makes
// both from one literal, and clang has no code page 932); tests/console_cli.py
// checks them against Python's cp932 codec.
struct Text {
  const char* utf8;
  const char* cp932;

  const char* In(Charset charset) const { return charset == Charset::kUtf8 ? utf8 : cp932; }
};

// The dialog's caption and icon; the console's exit status.
enum class MessageKind { kDone, kFailed, kCancelled };

// What a message names besides the file, at its one "%s".
enum class NamedFile { kNothing, kBackup, kWork, kAside };

struct ResultMessage {
  ConvertResult result;
  MessageKind kind;
  NamedFile names;
  Text text;  // the console prints it after "<name> ... "
};

// The message for a ConvertResult; a code without its own gets the generic
// failure. kConvertNotAFile and kConvertNameTooLong share the console's
// refusal of the name.
const ResultMessage& MessageFor(int result);

// Said before the result when the run first put back the original that a
// killed conversion had left as its backup; names the backup.
extern const Text kRecoveredText;

// The file a message names besides the converted one, as the conversion
// that `status` tells of used it; empty for kNothing, and where the
// conversion gives none.
std::string NamedIn(const QuenloStatus& status, NamedFile what);

// `text` with its "%s" replaced by `named`.
std::string Filled(const char* text, const std::string& named);

#ifdef _WIN32
// The system's message for a Win32 error, in the user's language; empty
// when the system has none.
std::wstring SystemReason(int error);
#else
// The system's text for an errno value: in the language of the user's
// LC_MESSAGES for UTF-8, and in the C locale's English for code page 932,
// which no locale's translation is written in.
std::string SystemReason(int error, Charset charset);
#endif

}  // namespace quenlo

#endif  // QUENLO_RESULT_MESSAGES_H_
