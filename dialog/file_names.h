// File names as the dialog takes them in: typed, pasted, dropped or handed
// over. Their forms (UTF-8, code page 932, full path) come from the
// engine's names module, as the console's do.
#ifndef QUENLO32_FILE_NAMES_H_
#define QUENLO32_FILE_NAMES_H_

#include <cstddef>
#include <string>

#include "names_win32.h"
#include "quenlo/engine.h"

// The name without leading and trailing spaces and without one pair of
// double quotes around it, as "Copy as path" gives it. No Windows file
// name holds a '"'.
std::wstring TrimmedName(const std::wstring& name);

// What a name is to the convert command.
enum class NameIs { kFile, kFolder, kMissing, kNotAFile };
// A folder is one whether its name ends in a backslash or not, which the
// engine's search for the name tells apart; the engine answers for the rest.
NameIs WhatNameIs(const std::wstring& name, const std::string& utf8);

// Size of the joined names of dropped files, terminator included, measured
// on their code page 932 form: the name field's size.
constexpr std::size_t kDropBufferSize = kNameBufferSize;

// Appends `name` to `joined`, with no separator, when the result still fits
// kDropBufferSize; otherwise leaves `joined` alone and returns false.
bool AppendDroppedName(std::wstring& joined, const std::wstring& name);

#endif  // QUENLO32_FILE_NAMES_H_
