// Enter and Esc as a keyboard would deliver them to a focused control.
#ifndef QUENLO_E2E_KEYS_WIN32_H_
#define QUENLO_E2E_KEYS_WIN32_H_

#include <windows.h>

struct Key {
  const char* name;
  WPARAM code;
};

constexpr Key kSwallowedKeys[] = {{"Enter", VK_RETURN}, {"Esc", VK_ESCAPE}};

inline void post_key(HWND target, WPARAM code) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(code), 0));
  PostMessageW(target, WM_KEYDOWN, code, 1 | (scan << 16));
  PostMessageW(target, WM_KEYUP, code, 1 | (scan << 16) | (3LL << 30));
}

#endif  // QUENLO_E2E_KEYS_WIN32_H_
