// CWaitCursor: shows the hourglass for the lifetime of the object.
#ifndef QUENLO32_FRAMEWORK_WAIT_CURSOR_H_
#define QUENLO32_FRAMEWORK_WAIT_CURSOR_H_

#include <windows.h>

class CWaitCursor {
 public:
  CWaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  ~CWaitCursor() { SetCursor(m_previous); }

 private:
  HCURSOR m_previous;
};

#endif  // QUENLO32_FRAMEWORK_WAIT_CURSOR_H_
