#include "cstring.h"

CString CString::FromAnsi(const std::string& text) {
  if (text.empty()) return CString();
  const int size = static_cast<int>(text.size());
  const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], count);
  return CString(std::move(wide));
}

BOOL CString::LoadString(UINT id) {
  // With a zero buffer size LoadStringW hands out the resource text itself,
  // so no length limit applies.
  const wchar_t* text = nullptr;
  const int length =
      ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) {
    m_text.clear();
    return FALSE;
  }
  m_text.assign(text, static_cast<std::size_t>(length));
  return TRUE;
}

int CString::Replace(const CString& old_text, const CString& new_text) {
  if (old_text.IsEmpty()) return 0;
  int count = 0;
  std::size_t at = 0;
  while ((at = m_text.find(old_text.m_text, at)) != std::wstring::npos) {
    m_text.replace(at, old_text.m_text.size(), new_text.m_text);
    at += new_text.m_text.size();
    ++count;
  }
  return count;
}
