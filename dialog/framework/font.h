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

  // On failure the font held so far stays.
  BOOL CreateFontIndirect(const LOGFONTW* description) {
    HFONT font = ::CreateFontIndirectW(description);
    if (!font) return FALSE;
    DeleteObject();
    m_hFont = font;
    return TRUE;
  }
  BOOL GetLogFont(LOGFONTW* description) const {
    return m_hFont && ::GetObjectW(m_hFont, sizeof *description, description) != 0;
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
