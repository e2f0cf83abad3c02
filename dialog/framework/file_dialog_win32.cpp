#include "file_dialog.h"

#include <algorithm>

#include "win_app.h"

CFileDialog::CFileDialog(BOOL open, const char* default_extension, const std::string& file_name,
                         DWORD flags, const CString& filter, CWnd* parent)
    : m_bOpenFileDialog(open),
      m_strDefExt(default_extension ? default_extension : ""),
      m_pParentWnd(parent) {
  // The separators become the terminators the dialog expects. They are
  // replaced before the conversion: in code page 932 a '|' byte can be the
  // second byte of a character.
  CString separated = filter;
  separated.Replace(L"|", CString(std::wstring(1, L'\0')));
  m_strFilter = separated.ToAnsi();
  m_strFilter.push_back('\0');

  const std::size_t length = std::min(file_name.size(), sizeof m_szFileName - 1);
  file_name.copy(m_szFileName, length);

  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.lpstrFilter = m_strFilter.c_str();
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = sizeof m_szFileName;
  m_ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
  m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetMainWndHandle();
  const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}
