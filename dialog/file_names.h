// File names as the dialog hands them on: UTF-16 in its windows, UTF-8 to
// the engine, and code page 932 where a length is measured or a message
// names a file, as the console does.
#ifndef QUENLO32_FILE_NAMES_H_
#define QUENLO32_FILE_NAMES_H_

#include <cstddef>
#include <string>

#include "names_win32.h"
#include "quenlo/engine.h"

// The UTF-8 form of a name; false when it has none (a lone surrogate).
bool ToUtf8(const std::wstring& name, std::string* utf8);

// The bytes of the name's code page 932 form, where a character the code
// page lacks counts as one byte, as it does in the engine's name limit.
std::size_t CodePage932Length(const std::wstring& name);

// The name as code page 932 shows it: a character the code page lacks
// becomes '?', never a look-alike.
std::wstring ShownInCodePage932(const std::wstring& name);

// Size of the joined names of dropped files, terminator included, measured
// on their code page 932 form: the name field's size.
constexpr std::size_t kDropBufferSize = kNameBufferSize;

// Appends `name` to `joined`, with no separator, when the result still fits
// kDropBufferSize; otherwise leaves `joined` alone and returns false.
bool AppendDroppedName(std::wstring& joined, const std::wstring& name);

#endif  // QUENLO32_FILE_NAMES_H_
