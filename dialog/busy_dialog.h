// The busy window: a captionless box shown while a conversion runs.
#ifndef QUENLO32_BUSY_DIALOG_H_
#define QUENLO32_BUSY_DIALOG_H_

#include "framework/dialog.h"

class CBusyDialog : public CDialog {
 public:
  explicit CBusyDialog(CWnd* parent = nullptr);

  BOOL PreTranslateMessage(MSG* message) override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;

 private:
  CStatic m_textStatic;
  CString m_strText;
};

#endif  // QUENLO32_BUSY_DIALOG_H_
