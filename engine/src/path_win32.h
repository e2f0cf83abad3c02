// Names on Windows: UTF-8 in the engine, UTF-16 for the W functions.
#ifndef QUENLO_PATH_WIN32_H_
#define QUENLO_PATH_WIN32_H_

#include <string>

namespace quenlo {

// The UTF-16 form of a UTF-8 name for the W functions; empty when it is not
// valid UTF-8. A name whose full path is too long for the classic limit
// comes in the "\\?\" form, which has none.
std::wstring WidePath(const std::string& name);

// The UTF-8 form of a UTF-16 name; empty when it holds a lone surrogate,
// which no UTF-8 name can stand for.
std::string Utf8Name(const std::wstring& name);

}  // namespace quenlo

#endif  // QUENLO_PATH_WIN32_H_
