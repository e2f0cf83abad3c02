#include "converter_app.h"

#include <cstdlib>

#include "converter_dialog.h"

CConverterApp theApp;

BOOL CConverterApp::InitInstance() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char base[_MAX_FNAME] = {};
  _splitpath(path, nullptr, nullptr, base, nullptr);
  m_strModuleName = CString::FromAnsi(base);

  if (HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, base)) {
    CloseHandle(running);
    return FALSE;
  }
  m_hMutex.reset(CreateMutexA(nullptr, FALSE, base));
  // Two copies started at the same moment both find no mutex to open; the
  // later creator sees the earlier one's mutex and steps back.
  if (m_hMutex && GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;

  CConverterDialog dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int CConverterApp::ExitInstance() {
  if (m_hMutex) ReleaseMutex(m_hMutex.get());
  return CWinApp::ExitInstance();
}
