// CFileDialog: the common file-open (or save) dialog. Names stay in the ANSI
// code page, as every file name of the program does.
#ifndef QUENLO32_FRAMEWORK_FILE_DIALOG_H_
#define QUENLO32_FRAMEWORK_FILE_DIALOG_H_

#include <windows.h>

#include <commdlg.h>

#include <string>

#include "cstring.h"
#include "wnd.h"

class CFileDialog {
 public:
  // `filter` lists label|pattern pairs, each followed by '|'. Without a
  // parent the application's main window owns the dialog.
  CFileDialog(BOOL open, const char* default_extension, const std::string& file_name,
              DWORD flags, const CString& filter, CWnd* parent = nullptr);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when a name was chosen, else IDCANCEL.
  INT_PTR DoModal();
  // The chosen full path.
  std::string GetPathName() const { return m_szFileName; }

 private:
  BOOL m_bOpenFileDialog;
  std::string m_strDefExt;
  std::string m_strFilter;
  CWnd* m_pParentWnd;
  OPENFILENAMEA m_ofn{};
  char m_szFileName[MAX_PATH] = {};
};

#endif  // QUENLO32_FRAMEWORK_FILE_DIALOG_H_
