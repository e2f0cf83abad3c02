#include "about_dialog.h"

#include <shellapi.h>

#include "converter_app.h"
#include "framework/win_app.h"
#include "keyboard_filter.h"
#include "resources/resource.h"
#include "version_texts.h"

namespace {

const COLORREF kLinkColor = RGB(0, 0, 255);

// Keeps the dialog manager from handing a link its plain font when the DPI
// changes; the dialog scales the link font itself. Windows before 10
// version 1703 change no DPI at run time and lack the function.
void KeepFontOnDpiChange(HWND control) {
  using Function = BOOL(WINAPI*)(HWND, DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS,
                                 DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS);
  static const auto set_behavior = reinterpret_cast<Function>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogControlDpiChangeBehavior")));
  if (set_behavior) set_behavior(control, DCDC_DISABLE_FONT_UPDATE, DCDC_DISABLE_FONT_UPDATE);
}

}  // namespace

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUT) {}

void CAboutDialog::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Text(exchange, IDC_NOTICE_TEXT, m_strNotice);
  DDX_Text(exchange, IDC_VERSION_TEXT, m_strVersion);
  DDX_Control(exchange, IDC_HOME_LINK, m_homeLink);
  DDX_Control(exchange, IDC_MAIL_LINK, m_mailLink);
}

BOOL CAboutDialog::OnInitDialog() {
  CDialog::OnInitDialog();

  // The links use the dialog font, underlined; the dialog font is already
  // made for the window's DPI.
  LOGFONTW description;
  HFONT dialog_font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  if (dialog_font && GetObjectW(dialog_font, sizeof description, &description)) {
    description.lfUnderline = TRUE;
    m_nLinkFontDpi = GetDpi();
    KeepFontOnDpiChange(m_homeLink.m_hWnd);
    KeepFontOnDpiChange(m_mailLink.m_hWnd);
    SetLinkFont(description);
  }

  m_hLinkCursor = LoadCursorW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDC_LINK_HAND));

  const VersionTexts texts = ReadVersionTexts(theApp.GetModuleName() + L".exe");
  m_strVersion = texts.version;
  m_strNotice = texts.notice;
  UpdateData(FALSE);

  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) {
    CString format;
    format.LoadString(IDS_MEMORY_FORMAT);
    SetDlgItemText(IDC_MEMORY_TEXT, MemoryLine(format, memory.ullTotalPhys));
  }
  return TRUE;
}

BOOL CAboutDialog::PreTranslateMessage(MSG* message) {
  if (IsSwallowedKey(*message)) return TRUE;
  return CDialog::PreTranslateMessage(message);
}

void CAboutDialog::SetLinkFont(LOGFONTW description) {
  if (!m_linkFont.CreateFontIndirect(&description)) return;
  m_homeLink.SetFont(m_linkFont);
  m_mailLink.SetFont(m_linkFont);
}

LRESULT CAboutDialog::OnDpiChanged(WPARAM wparam, LPARAM lparam) {
  // The dialog manager scales the window, its controls and its own font.
  const LRESULT result = DefWindowProc(WM_DPICHANGED, wparam, lparam);
  const UINT dpi = HIWORD(wparam);
  LOGFONTW description;
  if (m_nLinkFontDpi && dpi && m_linkFont.GetLogFont(&description)) {
    description.lfHeight = MulDiv(description.lfHeight, static_cast<int>(dpi),
                                  static_cast<int>(m_nLinkFontDpi));
    m_nLinkFontDpi = dpi;
    SetLinkFont(description);
  }
  return result;
}

bool CAboutDialog::IsLink(HWND window) const {
  return window && (window == m_homeLink.m_hWnd || window == m_mailLink.m_hWnd);
}

LRESULT CAboutDialog::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      return OnCtlColor(message, wparam, lparam);
    case WM_DPICHANGED:
      return OnDpiChanged(wparam, lparam);
    case WM_SETCURSOR:
      if (IsLink(reinterpret_cast<HWND>(wparam)) && m_hLinkCursor) {
        SetCursor(m_hLinkCursor);
        return TRUE;
      }
      break;
  }
  return CDialog::WindowProc(message, wparam, lparam);
}

LRESULT CAboutDialog::OnCtlColor(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT brush = DefWindowProc(message, wparam, lparam);
  if (IsLink(reinterpret_cast<HWND>(lparam))) {
    HDC dc = reinterpret_cast<HDC>(wparam);
    SetTextColor(dc, kLinkColor);
    SetBkMode(dc, TRANSPARENT);
  }
  return brush;
}

BOOL CAboutDialog::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  if ((id == IDC_HOME_LINK || id == IDC_MAIL_LINK) && HIWORD(wparam) == STN_CLICKED) {
    const CString link = GetDlgItemText(id);
    ShellExecuteW(nullptr, nullptr, link, nullptr, nullptr, SW_SHOWNORMAL);
  }
  return CDialog::OnCommand(wparam, lparam);
}
