// The About box: product, version and notice from the program's own version
// block, the physical memory, and two link labels that open through the shell.
#ifndef QUENLO32_ABOUT_DIALOG_H_
#define QUENLO32_ABOUT_DIALOG_H_

#include "framework/dialog.h"
#include "framework/font.h"

class CAboutDialog : public CDialog {
 public:
  CAboutDialog();

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* message) override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  bool IsLink(HWND window) const;
  void SetLinkFont(LOGFONTW description);
  LRESULT OnDpiChanged(WPARAM wparam, LPARAM lparam);
  LRESULT OnCtlColor(UINT message, WPARAM wparam, LPARAM lparam);

  CString m_strNotice;
  CString m_strVersion;
  CStatic m_homeLink;
  CStatic m_mailLink;
  CFont m_linkFont;
  UINT m_nLinkFontDpi = 0;
  HCURSOR m_hLinkCursor = nullptr;
};

#endif  // QUENLO32_ABOUT_DIALOG_H_
