#include "wnd.h"

#include <vector>

CString CWnd::GetWindowText() const {
  const int length = GetWindowTextLengthW(m_hWnd);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
  return CString(std::wstring(text.data(), static_cast<std::size_t>(got)));
}

CString CWnd::GetDlgItemText(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (!item) return CString();
  CWnd view;
  view.m_hWnd = item;
  return view.GetWindowText();
}

UINT CWnd::GetDpi() const {
  // GetDpiForWindow came with Windows 10 version 1607; the program also runs
  // on earlier systems, where the screen's DPI is the system's.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window) return get_dpi_for_window(m_hWnd);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}
