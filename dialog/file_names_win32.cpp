#include "file_names.h"

#include <windows.h>

namespace {

std::wstring WithoutSpaces(const std::wstring& text) {
  const std::size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

}  // namespace

std::wstring TrimmedName(const std::wstring& name) {
  const std::wstring trimmed = WithoutSpaces(name);
  if (trimmed.size() < 2 || trimmed.front() != L'"' || trimmed.back() != L'"') return trimmed;
  return WithoutSpaces(trimmed.substr(1, trimmed.size() - 2));
}

bool AppendDroppedName(std::wstring& joined, const std::wstring& name) {
  if (quenlo::CodePage932Form(joined + name).size() + 1 > kDropBufferSize) return false;
  joined += name;
  return true;
}

NameIs WhatNameIs(const std::wstring& name, const std::string& utf8) {
  const DWORD attributes = GetFileAttributesW(quenlo::LongPathForm(name).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return NameIs::kFolder;
  switch (quenlo_name_kind(utf8.c_str())) {
    case kNameConvertible:
      return NameIs::kFile;
    case kNameMissing:
      return NameIs::kMissing;
    default:
      return NameIs::kNotAFile;
  }
}
