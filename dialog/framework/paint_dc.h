// CPaintDC: the device context of one WM_PAINT, ended with the object.
#ifndef QUENLO32_FRAMEWORK_PAINT_DC_H_
#define QUENLO32_FRAMEWORK_PAINT_DC_H_

#include <windows.h>

class CPaintDC {
 public:
  explicit CPaintDC(HWND window) : m_hWnd(window), m_hDC(BeginPaint(window, &m_ps)) {}
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }

  operator HDC() const { return m_hDC; }

 private:
  PAINTSTRUCT m_ps{};
  HWND m_hWnd;
  HDC m_hDC;
};

#endif  // QUENLO32_FRAMEWORK_PAINT_DC_H_
