// File names on Windows as every layer needs them: the code page 932 form
// that limits and messages use, and the form the W functions take.
#ifndef QUENLO_NAMES_WIN32_H_
#define QUENLO_NAMES_WIN32_H_

#include <string>

namespace quenlo {

// The name's code page 932 bytes. A character the code page lacks becomes
// one '?' (a surrogate pair too), never a look-alike that names another file.
std::string CodePage932Form(const std::wstring& name);

// The name for the W file functions: as it is when its full path is within
// the classic limit, else the full path in the "\\?\" form, which has none.
std::wstring LongPathForm(const std::wstring& name);

}  // namespace quenlo

#endif  // QUENLO_NAMES_WIN32_H_
