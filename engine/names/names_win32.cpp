#include "names_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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

}  // namespace

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

std::wstring LongPathForm(const std::wstring& name) {
  if (name.empty() || name.compare(0, 4, L"\\\\?\\") == 0) return name;
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetFullPathNameW(name.c_str(), size, buffer.data(), nullptr);
  const std::wstring full(buffer.data(), length < size ? length : 0);
  // Short names keep their classic meaning, device names (NUL, CON) included.
  if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\.\\") == 0) return name;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace quenlo
