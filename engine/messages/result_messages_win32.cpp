#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "result_messages.h"

namespace quenlo {

std::wstring SystemReason(int error) {
  wchar_t text[512];
  // Language 0: the user's language where the system has it, else English.
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(error), 0, text,
                                  sizeof(text) / sizeof(text[0]), nullptr);
  // It stands in parentheses after the message's own sentences.
  while (length > 0 && std::wstring(L".\r\n \u3002").find(text[length - 1]) != std::wstring::npos)
    --length;
  return std::wstring(text, length);
}

std::wstring Utf16(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        &wide[0], size);
  return wide;
}

}  // namespace quenlo
