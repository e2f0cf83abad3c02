#include "path_win32.h"

#include "disk.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quenlo {

namespace {

std::wstring Widen(const std::string& name) {
  if (name.empty()) return std::wstring();
  int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                   static_cast<int>(name.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        &wide[0], size);
  return wide;
}

std::wstring FullPath(const std::wstring& name) {
  DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(name.c_str(), size, &full[0], nullptr);
  full.resize(size);
  return full;
}

}  // namespace

std::wstring WidePath(const std::string& name) {
  std::wstring wide = Widen(name);
  if (wide.empty() || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
  std::wstring full = FullPath(wide);
  // Short names keep their classic meaning, device names (NUL, CON) included.
  if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\.\\") == 0) return wide;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::size_t NameBufferLength(const std::string& name) {
  std::wstring one_unit_each;
  const std::wstring wide = Widen(name);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    one_unit_each += pair ? L'?' : wide[i];
    i += pair;
  }
  int size = ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, one_unit_each.data(),
                                   static_cast<int>(one_unit_each.size()), nullptr, 0, "?", nullptr);
  return size > 0 ? static_cast<std::size_t>(size) : name.size();
}

}  // namespace quenlo
