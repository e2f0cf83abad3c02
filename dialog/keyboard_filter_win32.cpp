#include "keyboard_filter.h"

bool IsSwallowedKey(const MSG& message) {
  return message.message == WM_KEYDOWN &&
         (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE);
}
