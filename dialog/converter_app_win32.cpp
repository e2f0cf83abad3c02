#include "converter_app.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "captions.h"
#include "converter_dialog.h"
#include "file_names.h"
#include "instance.h"
#include "resources/resource.h"

CConverterApp theApp;

namespace {

// How long a second start waits for the first one's main dialog, which may
// still be on its way up.
constexpr DWORD kFindWindowMs = 5000;
constexpr UINT kHandOverTimeoutMs = 5000;

struct WindowSearch {
  const wchar_t* property;
  HWND found;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!GetPropW(window, search->property)) return TRUE;
  search->found = window;
  return FALSE;
}

// Brings the running copy's window to the front and gives it the names.
void HandOver(const CString& module_name, const std::wstring& names) {
  const CString property = MainWindowProperty(module_name);
  WindowSearch search{property, nullptr};
  const ULONGLONG end = GetTickCount64() + kFindWindowMs;
  for (;;) {
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount64() >= end) break;
    Sleep(100);
  }
  if (!search.found) return;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  // A message box or the About box over the dialog is what the user needs.
  SetForegroundWindow(GetLastActivePopup(search.found));
  if (names.empty()) return;
  COPYDATASTRUCT data = FileNameCopyData(names);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(search.found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                      SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &result);
}

// The field's text for the names on the command line, as full paths:
// Send To and a drop on the program's icon give one name or several.
std::wstring StartNames() {
  std::vector<std::wstring> names;
  for (const std::wstring& argument : NamesFromCommandLine(GetCommandLineW())) {
    for (const std::wstring& name : NamesInText(argument)) names.push_back(quenlo::FullPath(name));
  }
  const std::wstring text = TextForNames(names);
  if (text.size() <= kNamesLimit) return text;
  // Told, not cut short; the field then starts empty.
  CString message;
  message.LoadString(IDS_TOO_MANY_NAMES);
  MessageBoxW(nullptr, message, kErrorCaption, MB_ICONEXCLAMATION);
  return std::wstring();
}

}  // namespace

BOOL CConverterApp::InitInstance() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char base[_MAX_FNAME] = {};
  _splitpath(path, nullptr, nullptr, base, nullptr);
  m_strModuleName = CString::FromAnsi(base);
  // Resolved here: the copy they may go to runs in a folder of its own.
  const std::wstring names = StartNames();

  if (HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, base)) {
    CloseHandle(running);
    HandOver(m_strModuleName, names);
    return FALSE;
  }
  m_hMutex.reset(CreateMutexA(nullptr, FALSE, base));
  // Two copies started at the same moment both find no mutex to open; the
  // later creator sees the earlier one's mutex and steps back.
  if (m_hMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    HandOver(m_strModuleName, names);
    return FALSE;
  }

  // The busy window's progress bar.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  CConverterDialog dialog;
  dialog.SetStartNames(names);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
