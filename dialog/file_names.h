// File names as the dialog takes them in: typed, pasted, dropped, chosen or
// handed over. Their forms (UTF-8, code page 932, full path) come from the
// engine's names module, as the console's do.
#ifndef QUENLO32_FILE_NAMES_H_
#define QUENLO32_FILE_NAMES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "names_win32.h"
#include "quenlo/engine.h"

// The names the field's text holds. One name is taken as it is, without
// spaces around it and one pair of double quotes; several are each in
// double quotes, separated by spaces, as the file dialog and "Copy as
// path" give a selection. No Windows file name holds a '"'. Empty for a
// text without a name or with a quote left open.
std::vector<std::wstring> NamesInText(const std::wstring& text);

// The field's text for the names: one as it is, several each in quotes.
std::wstring TextForNames(const std::vector<std::wstring>& names);

// The most characters of names the field and the hand-over take at once.
constexpr std::size_t kNamesLimit = 65535;

// What a name is to the convert command.
enum class NameIs { kFile, kFolder, kMissing, kNotAFile };
// A folder is one whether its name ends in a backslash or not, which the
// engine's search for the name tells apart; the engine answers for the rest.
NameIs WhatNameIs(const std::wstring& name, const std::string& utf8);

// Whether the name is a folder's, with or without a backslash at its end.
bool IsFolder(const std::wstring& name);

// The folder's name without the backslashes that may end it, unless it is
// a root, which needs one.
std::wstring FolderName(const std::wstring& name);

// Whether a dropped or chosen name fits the name buffer with its
// terminator, measured on its code page 932 form; a longer one is left out.
bool FitsNameBuffer(const std::wstring& name);

#endif  // QUENLO32_FILE_NAMES_H_
