#include "path_win32.h"

#include "disk.h"
#include "names_win32.h"

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

}  // namespace

std::wstring WidePath(const std::string& name) { return LongPathForm(Widen(name)); }

std::string Utf8Name(const std::wstring& name) {
  if (name.empty()) return std::string();
  int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(),
                                   static_cast<int>(name.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        &narrow[0], size, nullptr, nullptr);
  return narrow;
}

std::size_t NameBufferLength(const std::string& name) {
  const std::wstring wide = Widen(name);
  // Not UTF-8: no file has that name, and its bytes are its length.
  return wide.empty() ? name.size() : CodePage932Form(wide).size();
}

}  // namespace quenlo
