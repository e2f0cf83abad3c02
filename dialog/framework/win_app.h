// CWinApp: the one application object. The program defines a static object
// of a class derived from it; WinMain runs its InitInstance and ExitInstance.
#ifndef QUENLO32_FRAMEWORK_WIN_APP_H_
#define QUENLO32_FRAMEWORK_WIN_APP_H_

#include <windows.h>

#include "wnd.h"

class CWinApp {
 public:
  CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  // A dialog application does all its work here and returns FALSE.
  virtual BOOL InitInstance() { return FALSE; }
  // The result is the process exit code.
  virtual int ExitInstance() { return 0; }

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The application's main window, or null when there is none yet.
HWND AfxGetMainWndHandle();

#endif  // QUENLO32_FRAMEWORK_WIN_APP_H_
