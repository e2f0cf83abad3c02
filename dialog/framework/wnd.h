// CWnd and the control wrappers: thin views of a window handle. A control
// object does not own its window; the dialog that holds it does.
#ifndef QUENLO32_FRAMEWORK_WND_H_
#define QUENLO32_FRAMEWORK_WND_H_

#include <windows.h>

#include <string>

#include "cstring.h"

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  CString GetWindowText() const;
  void SetWindowText(const CString& text) { ::SetWindowTextW(m_hWnd, text); }

  CString GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const CString& text) { ::SetDlgItemTextW(m_hWnd, id, text); }

  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return ::SendMessageW(m_hWnd, message, wparam, lparam);
  }
  void SetFont(HFONT font, BOOL redraw = TRUE) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
  }
  int MessageBox(const CString& text, const CString& caption, UINT type) {
    return ::MessageBoxW(m_hWnd, text, caption, type);
  }
  // The DPI the window is drawn at: its monitor's under per-monitor
  // awareness, else the system's.
  UINT GetDpi() const;

  HWND m_hWnd = nullptr;
};

class CButton : public CWnd {
 public:
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
};

class CEdit : public CWnd {};

class CStatic : public CWnd {};

#endif  // QUENLO32_FRAMEWORK_WND_H_
