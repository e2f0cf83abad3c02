// CDialog: a dialog from a template, modal or modeless. The dialog window is
// subclassed after creation so that every message reaches the virtual
// WindowProc, and DefWindowProc passes it on to the dialog manager. Modal
// dialogs run the framework's own message loop, which offers every message
// for the dialog and its controls to PreTranslateMessage first.
#ifndef QUENLO32_FRAMEWORK_DIALOG_H_
#define QUENLO32_FRAMEWORK_DIALOG_H_

#include <windows.h>

#include "cstring.h"
#include "wnd.h"

class CDialog;

// Direction and target of one data exchange.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}

  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
};

// Binds a control object to the dialog's control `id`.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
// Exchanges the text of control `id` with `value`.
void DDX_Text(CDataExchange* exchange, int id, CString& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT template_id, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog until EndDialog; the owner is disabled meanwhile.
  // Returns the EndDialog result, or -1 when the dialog could not be made.
  INT_PTR DoModal();
  // Creates the dialog modeless, owned by `parent` or else by the parent
  // given at construction.
  BOOL Create(UINT template_id, CWnd* parent = nullptr);
  void EndDialog(int result);
  BOOL UpdateData(BOOL save = TRUE);

  virtual BOOL OnInitDialog();
  // TRUE when the message was handled and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* message);

  // The dialog of this framework that is `window`, or null.
  static CDialog* FromHandle(HWND window);

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  // TRUE when the command was handled.
  virtual BOOL OnCommand(WPARAM wparam, LPARAM lparam);
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // The dialog manager's own processing of a message.
  LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  virtual void OnOK();
  virtual void OnCancel();

  void CheckRadioButton(int first, int last, int checked) {
    ::CheckRadioButton(m_hWnd, first, last, checked);
  }
  // The checked button among first..last, or 0 when none is.
  int GetCheckedRadioButton(int first, int last) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND CreateFromTemplate(HWND owner);
  void RunModalLoop();

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  WNDPROC m_pfnSuper = nullptr;
  bool m_bInModalLoop = false;
  INT_PTR m_nModalResult = -1;
};

#endif  // QUENLO32_FRAMEWORK_DIALOG_H_
