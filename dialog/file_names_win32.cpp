#include "file_names.h"

#include <windows.h>

namespace {

std::wstring WithoutSpaces(const std::wstring& text) {
  const std::size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::vector<std::wstring> NamesInText(const std::wstring& text) {
  const std::wstring trimmed = WithoutSpaces(text);
  // A name typed without quotes may hold spaces.
  if (trimmed.find(L'"') == std::wstring::npos) {
    if (trimmed.empty()) return {};
    return {trimmed};
  }
  std::vector<std::wstring> names;
  std::size_t at = 0;
  while ((at = trimmed.find_first_not_of(L' ', at)) != std::wstring::npos) {
    std::size_t end = 0;
    std::wstring name;
    if (trimmed[at] == L'"') {
      end = trimmed.find(L'"', at + 1);
      if (end == std::wstring::npos) return {};
      name = WithoutSpaces(trimmed.substr(at + 1, end - at - 1));
      ++end;
    } else {
      end = trimmed.find_first_of(L" \"", at);
      if (end == std::wstring::npos) end = trimmed.size();
      name = trimmed.substr(at, end - at);
    }
    if (name.empty()) return {};
    names.push_back(name);
    at = end;
  }
  return names;
}

std::wstring TextForNames(const std::vector<std::wstring>& names) {
  if (names.size() == 1) return names.front();
  std::wstring text;
  for (const std::wstring& name : names) {
    if (!text.empty()) text += L' ';
    text += L'"' + name + L'"';
  }
  return text;
}

bool IsFolder(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(quenlo::LongPathForm(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

NameIs WhatNameIs(const std::wstring& name, const std::string& utf8) {
  if (IsFolder(name)) return NameIs::kFolder;
  switch (quenlo_name_kind(utf8.c_str())) {
    case kNameConvertible:
      return NameIs::kFile;
    case kNameMissing:
      return NameIs::kMissing;
    default:
      return NameIs::kNotAFile;
  }
}

std::wstring FolderName(const std::wstring& name) {
  std::wstring folder = name;
  while (folder.size() > 1 && IsSeparator(folder.back()) && folder[folder.size() - 2] != L':') {
    folder.pop_back();
  }
  return folder;
}

bool FitsNameBuffer(const std::wstring& name) {
  return quenlo::CodePage932Form(name).size() + 1 <= kNameBufferSize;
}
