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

}  // namespace quenlo
