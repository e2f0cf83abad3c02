#include "names_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>
#include <vector>

namespace quenlo {

namespace {

constexpr UINT kCodePage932 = 932;

// A surrogate pair stands for one character, which code page 932 lacks.
std::wstring OneUnitPerCharacter(const std::wstring& name) {
  std::wstring units;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool pair =
        IS_HIGH_SURROGATE(name[i]) && i + 1 < name.size() && IS_LOW_SURROGATE(name[i + 1]);
    units += pair ? L'?' : name[i];
    if (pair) ++i;
  }
  return units;
}

// The full path GetFullPathNameW makes of the name; empty when it makes none.
std::wstring Resolved(const std::wstring& name) {
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> full(size);
  const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  return length > 0 && length < size ? std::wstring(full.data(), length) : std::wstring();
}

}  // namespace

bool Utf8Form(const std::wstring& name, std::string* utf8) {
  utf8->clear();
  if (name.empty()) return true;
  if (name.size() > INT_MAX) return false;
  const int length = static_cast<int>(name.size());
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  utf8->resize(static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length, &(*utf8)[0], size,
                      nullptr, nullptr);
  return true;
}

bool Utf16Form(const std::string& name, std::wstring* wide) {
  wide->clear();
  if (name.empty()) return true;
  if (name.size() > INT_MAX) return false;
  const int length = static_cast<int>(name.size());
  const int size =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, nullptr, 0);
  if (size <= 0) return false;
  wide->resize(static_cast<std::size_t>(size));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), length, &(*wide)[0], size);
  return true;
}

std::string CodePage932Form(const std::wstring& name) {
  const std::wstring units = OneUnitPerCharacter(name);
  if (units.empty()) return std::string();
  const int length = static_cast<int>(units.size());
  const int size = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units.data(), length,
                                       nullptr, 0, "?", nullptr);
  if (size <= 0) return std::string(units.size(), '?');
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units.data(), length, &bytes[0], size,
                      "?", nullptr);
  return bytes;
}

std::wstring ShownInCodePage932(const std::wstring& name) {
  const std::string bytes = CodePage932Form(name);
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring shown(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, &shown[0], size);
  return shown;
}

std::wstring FullPath(const std::wstring& name) {
  if (name.empty()) return name;
  const std::wstring full = Resolved(name);
  return full.empty() ? name : full;
}

std::wstring LongPathForm(const std::wstring& name) {
  if (name.empty() || name.compare(0, 4, L"\\\\?\\") == 0) return name;
  const std::wstring full = Resolved(name);
  // Short names keep their classic meaning, device names (NUL, CON) included.
  if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\.\\") == 0) return name;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace quenlo
