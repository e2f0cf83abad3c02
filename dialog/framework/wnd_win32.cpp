#include "wnd.h"

#include <vector>

CString CWnd::GetWindowText() const {
  const int length = GetWindowTextLengthW(m_hWnd);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
  return CString(std::wstring(text.data(), static_cast<std::size_t>(got)));
}

std::string CWnd::GetWindowTextA() const {
  const int length = GetWindowTextLengthA(m_hWnd);
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextA(m_hWnd, text.data(), length + 1);
  return std::string(text.data(), static_cast<std::size_t>(got));
}

CString CWnd::GetDlgItemText(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (!item) return CString();
  CWnd view;
  view.m_hWnd = item;
  return view.GetWindowText();
}
