#include <windows.h>
#include <psapi.h>

#include "checks_win32.h"
#include "keys_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

void check_start_state(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("start: main dialog appears", session.ready(),
                    L"no visible dialog captioned " + widen(quenlo::kMainCaption))) {
    return;
  }
  const HWND main = session.main();

  const std::wstring name = item_text(main, quenlo::kNameEdit);
  report.check("start: file name edit is empty", name.empty(), L"edit holds " + name);
  report.check("start: radio 1003 (CR+LF) checked, 1004 and 1005 clear",
               is_checked(main, quenlo::kCrLf) && !is_checked(main, quenlo::kLf) &&
                   !is_checked(main, quenlo::kCr));
  report.check("start: keep box 1006 clear", !is_checked(main, quenlo::kKeep));

  // The manifest's Common Controls 6 (visual styles) is in effect when the
  // program runs with the comctl32 of that assembly rather than the system's.
  HMODULE modules[512];
  DWORD size = 0;
  EnumProcessModules(session.process().handle(), modules, sizeof modules, &size);
  std::wstring common_controls;
  for (DWORD i = 0; i < size / sizeof modules[0]; ++i) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameExW(session.process().handle(), modules[i], path, MAX_PATH);
    CharLowerW(path);
    const std::wstring name = path;
    if (name.size() >= 12 && name.compare(name.size() - 12, 12, L"comctl32.dll") == 0)
      common_controls = name;
  }
  report.check("start: runs with Common Controls 6",
               common_controls.find(L"microsoft.windows.common-controls") != std::wstring::npos,
               L"comctl32 loaded: " + common_controls);

  const HWND busy = session.busy_window();
  report.check("start: busy window exists with its waiting text", busy != nullptr,
               L"no window whose control 1003 reads " + widen(quenlo::kBusy));
  report.check("start: busy window hidden", busy && !IsWindowVisible(busy));

  const HWND edit = GetDlgItem(main, quenlo::kNameEdit);
  for (const Key& key : kSwallowedKeys) {
    post_key(edit, key.code);
    Sleep(kSettleMs);
    const HWND popup = find_other_dialog(session.pid(), {main, busy});
    report.check(std::string("main dialog: ") + key.name + " in the edit does nothing",
                 session.process().running() && IsWindowVisible(main) && !popup,
                 popup ? L"a window appeared: " + text_of(popup)
                       : L"the main dialog closed");
  }

  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  report.check("main dialog: close box ends the program",
               session.process().wait_exit(kWaitMs));
}
