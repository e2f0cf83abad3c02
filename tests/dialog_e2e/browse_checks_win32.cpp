#include "checks_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "windows_win32.h"

namespace {

// The common file dialog names its file name field cmb13 (a combo box with
// an edit inside) or edt1, depending on the template in use.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

HWND file_name_field(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
    if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
    return combo;
  }
  return GetDlgItem(dialog, kFileNameEdit);
}

bool is_file_dialog(HWND window) { return window && file_name_field(window); }

}  // namespace

void check_browse(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("browse: main dialog appears", session.ready())) return;
  const HWND main = session.main();

  const std::wstring before = setup.work + L"\\typed-before.txt";
  set_item_text(main, quenlo::kNameEdit, before);
  post_click(main, quenlo::kBrowse);
  HWND dialog = session.wait_popup();
  if (report.check("browse: file dialog appears", is_file_dialog(dialog))) {
    post_click(dialog, IDCANCEL);
    report.check("browse: cancel closes it", wait_until([&] { return !IsWindow(dialog); }));
    const std::wstring after = item_text(main, quenlo::kNameEdit);
    report.check("browse: cancel leaves the edit unchanged", after == before,
                 L"edit holds " + after);
  }

  const std::wstring chosen = setup.work + L"\\chosen.txt";
  write_bytes(chosen, "x\n");
  post_click(main, quenlo::kBrowse);
  dialog = session.wait_popup();
  if (report.check("browse again: file dialog appears", is_file_dialog(dialog))) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(file_name_field(dialog), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(chosen.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &result);
    post_click(dialog, IDOK);
    report.check("browse: OK closes it", wait_until([&] { return !IsWindow(dialog); }));
    const std::wstring after = item_text(main, quenlo::kNameEdit);
    report.check("browse: chosen file's full path in the edit",
                 CompareStringOrdinal(after.c_str(), -1, chosen.c_str(), -1, TRUE) ==
                     CSTR_EQUAL,
                 L"edit holds " + after);
  }
  session.exit();
}
