// File names on Windows as every layer needs them: UTF-8 for the engine,
// UTF-16 for the W functions, the code page 932 form that limits and
// messages use, and the full and long-path forms.
#ifndef QUENLO_NAMES_WIN32_H_
#define QUENLO_NAMES_WIN32_H_

#include <string>

namespace quenlo {

// The UTF-8 form of a name; false when it has none (a lone surrogate). Never
// a replacement character, which would name another file.
bool Utf8Form(const std::wstring& name, std::string* utf8);

// The UTF-16 form of a UTF-8 name; false when the bytes are not UTF-8.
bool Utf16Form(const std::string& name, std::wstring* wide);

// The name's code page 932 bytes. A character the code page lacks becomes
// one '?' (a surrogate pair too), never a look-alike that names another file.
std::string CodePage932Form(const std::wstring& name);

// The code page 932 form read back: the name as a message shows it.
std::wstring ShownInCodePage932(const std::wstring& name);

// The name resolved against the current folder; as it is when it has no
// full path. Empty stays empty.
std::wstring FullPath(const std::wstring& name);

// The name for the W file functions: as it is when its full path is within
// the classic limit, else the full path in the "\\?\" form, which has none.
std::wstring LongPathForm(const std::wstring& name);

}  // namespace quenlo

#endif  // QUENLO_NAMES_WIN32_H_
