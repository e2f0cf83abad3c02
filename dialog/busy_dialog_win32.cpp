#include "busy_dialog.h"

#include <commctrl.h>

#include "keyboard_filter.h"
#include "resources/resource.h"

CBusyDialog::CBusyDialog(CWnd* parent) : CDialog(IDD_BUSY, parent) {}

void CBusyDialog::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_BUSY_PROGRESS, m_progressBar);
  DDX_Control(exchange, IDC_BUSY_CANCEL, m_cancelButton);
}

BOOL CBusyDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_progressBar.SendMessage(PBM_SETRANGE32, 0, 1000);
  return TRUE;
}

BOOL CBusyDialog::PreTranslateMessage(MSG* message) {
  if (IsSwallowedKey(*message)) return TRUE;
  return CDialog::PreTranslateMessage(message);
}

void CBusyDialog::Reset() {
  SetProgress(0);
  SetFile(CString(), CString());
  EnableWindow(m_cancelButton.m_hWnd, TRUE);
}

void CBusyDialog::SetFile(const CString& count, const CString& name) {
  // Set only when changed, so that the lines do not flicker with each tick.
  if (count.str() != m_strCount.str()) SetDlgItemText(IDC_BUSY_COUNT, m_strCount = count);
  if (name.str() != m_strName.str()) SetDlgItemText(IDC_BUSY_NAME, m_strName = name);
}

void CBusyDialog::SetProgress(int permille) {
  m_progressBar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(permille));
}

BOOL CBusyDialog::OnCommand(WPARAM wparam, LPARAM lparam) {
  // The main dialog, which owns this window, runs the conversion.
  if (LOWORD(wparam) == IDC_BUSY_CANCEL && HIWORD(wparam) == BN_CLICKED) {
    ::SendMessageW(GetWindow(m_hWnd, GW_OWNER), WM_COMMAND, wparam, lparam);
    return TRUE;
  }
  return CDialog::OnCommand(wparam, lparam);
}

void CBusyDialog::OnCancel() {
  // Shown only while a conversion runs, when the main window's close asks
  // whether to cancel it; hidden, it has nothing to close.
  if (!IsWindowVisible(m_hWnd)) return;
  ::SendMessageW(GetWindow(m_hWnd, GW_OWNER), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}
