#include "busy_dialog.h"

#include "keyboard_filter.h"
#include "resources/resource.h"

CBusyDialog::CBusyDialog(CWnd* parent) : CDialog(IDD_BUSY, parent) {}

void CBusyDialog::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_BUSY_TEXT, m_textStatic);
  DDX_Text(exchange, IDC_BUSY_TEXT, m_strText);
}

BOOL CBusyDialog::PreTranslateMessage(MSG* message) {
  if (IsSwallowedKey(*message)) return TRUE;
  return CDialog::PreTranslateMessage(message);
}
