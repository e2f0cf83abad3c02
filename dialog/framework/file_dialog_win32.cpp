#include "file_dialog.h"

#include <algorithm>
#include <cwchar>

#include "win_app.h"

CFileDialog::CFileDialog(BOOL open, const wchar_t* default_extension, const CString& file_name,
                         DWORD flags, const CString& filter, CWnd* parent)
    : m_bOpenFileDialog(open),
      m_strDefExt(default_extension ? default_extension : L""),
      m_strFilter(filter.str()),
      m_pParentWnd(parent) {
  // The separators become the terminators the dialog expects.
  std::replace(m_strFilter.begin(), m_strFilter.end(), L'|', L'\0');
  m_strFilter.push_back(L'\0');

  const std::size_t length = std::min(file_name.str().size(), m_szFileName.size() - 1);
  file_name.str().copy(m_szFileName.data(), length);

  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.lpstrFilter = m_strFilter.c_str();
  m_ofn.lpstrFile = m_szFileName.data();
  m_ofn.nMaxFile = static_cast<DWORD>(m_szFileName.size());
  m_ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
  m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetMainWndHandle();
  const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

std::vector<std::wstring> CFileDialog::GetPathNames() const {
  const wchar_t* buffer = m_szFileName.data();
  // One file comes as its full path; several as their folder, then each
  // name, each ended by a zero, and one more zero at the end.
  if (m_ofn.nFileOffset == 0 || buffer[m_ofn.nFileOffset - 1] != L'\0') return {buffer};
  std::wstring folder = buffer;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  std::vector<std::wstring> names;
  for (const wchar_t* name = buffer + m_ofn.nFileOffset; *name; name += std::wcslen(name) + 1)
    names.push_back(folder + name);
  return names;
}
