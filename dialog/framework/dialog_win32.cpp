#include "dialog.h"

#include "win_app.h"

namespace {

// Window property that links a dialog window to its CDialog.
const wchar_t kDialogProperty[] = L"Quenlo32.CDialog";

}  // namespace

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (!control.m_hWnd) control.m_hWnd = GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id);
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  if (exchange->m_bSaveAndValidate)
    value = exchange->m_pDlgWnd->GetDlgItemText(id);
  else
    exchange->m_pDlgWnd->SetDlgItemText(id, value);
}

CDialog::CDialog(UINT template_id, CWnd* parent)
    : m_nIDTemplate(template_id), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow(m_hWnd);
}

CDialog* CDialog::FromHandle(HWND window) {
  return window ? static_cast<CDialog*>(GetPropW(window, kDialogProperty)) : nullptr;
}

HWND CDialog::CreateFromTemplate(HWND owner) {
  return CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                            &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetMainWndHandle();
  const bool disable_owner = owner && IsWindowEnabled(owner);
  if (disable_owner) EnableWindow(owner, FALSE);

  m_nModalResult = -1;
  if (CreateFromTemplate(owner)) {
    m_bInModalLoop = true;
    if (!IsWindowVisible(m_hWnd)) ShowWindow(SW_SHOWNORMAL);
    RunModalLoop();
  }
  // The owner must be enabled again before the dialog goes, so that it
  // becomes the active window.
  if (disable_owner) EnableWindow(owner, TRUE);
  if (m_hWnd) DestroyWindow(m_hWnd);
  return m_nModalResult;
}

void CDialog::RunModalLoop() {
  MSG message;
  while (m_bInModalLoop) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    CDialog* target = FromHandle(GetAncestor(message.hwnd, GA_ROOT));
    if (target && target->PreTranslateMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

BOOL CDialog::Create(UINT template_id, CWnd* parent) {
  m_nIDTemplate = template_id;
  if (parent) m_pParentWnd = parent;
  return CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) != nullptr;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (m_bInModalLoop) {
    m_bInModalLoop = false;
    // A command sent from another thread or process is handled inside
    // GetMessage, which would then wait on; a posted message wakes the loop.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
  } else {
    ShowWindow(SW_HIDE);
  }
}

BOOL CDialog::UpdateData(BOOL save) {
  CDataExchange exchange(this, save);
  DoDataExchange(&exchange);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* message) { return IsDialogMessageW(m_hWnd, message); }

BOOL CDialog::OnCommand(WPARAM wparam, LPARAM) {
  if (HIWORD(wparam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wparam)) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

int CDialog::GetCheckedRadioButton(int first, int last) const {
  for (int id = first; id <= last; ++id) {
    if (IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) return id;
  }
  return 0;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && OnCommand(wparam, lparam)) return 0;
  return DefWindowProc(message, wparam, lparam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallWindowProcW(m_pfnSuper, m_hWnd, message, wparam, lparam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM, LPARAM lparam) {
  // Only WM_INITDIALOG is handled here; from then on the subclass procedure
  // takes every message, and the dialog manager's default processing runs
  // when WindowProc hands a message back through DefWindowProc.
  if (message != WM_INITDIALOG) return FALSE;
  CDialog* dialog = reinterpret_cast<CDialog*>(lparam);
  dialog->m_hWnd = window;
  SetPropW(window, kDialogProperty, dialog);
  dialog->m_pfnSuper = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::SubclassProc)));
  return dialog->OnInitDialog();
}

LRESULT CALLBACK CDialog::SubclassProc(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  CDialog* dialog = FromHandle(window);
  if (!dialog) return ::DefWindowProcW(window, message, wparam, lparam);
  const LRESULT result = dialog->WindowProc(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kDialogProperty);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dialog->m_pfnSuper));
    dialog->m_hWnd = nullptr;
    dialog->m_bInModalLoop = false;
  }
  return result;
}
