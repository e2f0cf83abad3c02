// CString: the framework's text object. Texts are held as UTF-16 so that the
// Unicode window functions show them whatever the system code page is.
#ifndef QUENLO32_FRAMEWORK_CSTRING_H_
#define QUENLO32_FRAMEWORK_CSTRING_H_

#include <windows.h>

#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : m_text(text ? text : L"") {}
  CString(std::wstring text) : m_text(std::move(text)) {}

  // Text in the system's ANSI code page.
  static CString FromAnsi(const std::string& text);

  // Loads a string from the program's string table; FALSE leaves it empty.
  BOOL LoadString(UINT id);

  bool IsEmpty() const { return m_text.empty(); }
  // Replaces every occurrence of `old_text`; returns how many there were.
  int Replace(const CString& old_text, const CString& new_text);

  operator const wchar_t*() const { return m_text.c_str(); }
  const std::wstring& str() const { return m_text; }

  CString& operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
  }
  friend CString operator+(CString left, const CString& right) { return left += right; }

 private:
  std::wstring m_text;
};

#endif  // QUENLO32_FRAMEWORK_CSTRING_H_
