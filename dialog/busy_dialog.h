// The busy window: a captionless box shown while a conversion runs, with
// its progress and a button that cancels it; for several files, also which
// one of how many it is on and its name.
#ifndef QUENLO32_BUSY_DIALOG_H_
#define QUENLO32_BUSY_DIALOG_H_

#include "framework/dialog.h"

class CBusyDialog : public CDialog {
 public:
  explicit CBusyDialog(CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* message) override;

  // Ready for a new conversion: no progress, no file shown, the cancel
  // button enabled.
  void Reset();
  void SetProgress(int permille);
  // The file of a run of several: "i / n" as `count`, and its name.
  void SetFile(const CString& count, const CString& name);
  // The cancel button has done its part until the next conversion.
  void DisableCancel() { EnableWindow(m_cancelButton.m_hWnd, FALSE); }

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  // Its close (Alt+F4) asks what the main window's close asks.
  void OnCancel() override;

 private:
  CWnd m_progressBar;
  CButton m_cancelButton;
  CString m_strCount;
  CString m_strName;
};

#endif  // QUENLO32_BUSY_DIALOG_H_
