// CFileDialog: the common file-open (or save) dialog, in UTF-16 so that it
// returns every name the file system holds.
#ifndef QUENLO32_FRAMEWORK_FILE_DIALOG_H_
#define QUENLO32_FRAMEWORK_FILE_DIALOG_H_

#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

#include "cstring.h"
#include "wnd.h"

class CFileDialog {
 public:
  // `filter` lists label|pattern pairs, each followed by '|'. Without a
  // parent the application's main window owns the dialog.
  CFileDialog(BOOL open, const wchar_t* default_extension, const CString& file_name,
              DWORD flags, const CString& filter, CWnd* parent = nullptr);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when a name was chosen, else IDCANCEL.
  INT_PTR DoModal();
  // The chosen full path.
  CString GetPathName() const { return CString(m_szFileName.data()); }
  // The full paths of all chosen files, with OFN_ALLOWMULTISELECT.
  std::vector<std::wstring> GetPathNames() const;

 private:
  BOOL m_bOpenFileDialog;
  std::wstring m_strDefExt;
  std::wstring m_strFilter;
  CWnd* m_pParentWnd;
  OPENFILENAMEW m_ofn{};
  // Room for a full path in the "\\?\" form, and for as many chosen names
  // as the program's name field takes.
  std::vector<wchar_t> m_szFileName = std::vector<wchar_t>(65536, L'\0');
};

#endif  // QUENLO32_FRAMEWORK_FILE_DIALOG_H_
