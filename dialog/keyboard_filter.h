// The keyboard filter all dialogs of the program share: Enter and Esc never
// press the default button or cancel a dialog; only the buttons and the
// close box close one.
#ifndef QUENLO32_KEYBOARD_FILTER_H_
#define QUENLO32_KEYBOARD_FILTER_H_

#include <windows.h>

// True for a key-down of Enter or Esc, which the dialog swallows.
bool IsSwallowedKey(const MSG& message);

#endif  // QUENLO32_KEYBOARD_FILTER_H_
