// CFont: owns a GDI font and deletes it with itself.
#ifndef QUENLO32_FRAMEWORK_FONT_H_
#define QUENLO32_FRAMEWORK_FONT_H_

#include <windows.h>

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  ~CFont() { DeleteObject(); }

  BOOL CreateFontIndirect(const LOGFONTW* description) {
    DeleteObject();
    m_hFont = ::CreateFontIndirectW(description);
    return m_hFont != nullptr;
  }
  void DeleteObject() {
    if (m_hFont) ::DeleteObject(m_hFont);
    m_hFont = nullptr;
  }
  operator HFONT() const { return m_hFont; }

 private:
  HFONT m_hFont = nullptr;
};

#endif  // QUENLO32_FRAMEWORK_FONT_H_
