// The main dialog: file name, target style, keep option, convert.
#ifndef QUENLO32_CONVERTER_DIALOG_H_
#define QUENLO32_CONVERTER_DIALOG_H_

#include <windows.h>

#include <memory>
#include <string>

#include "busy_dialog.h"
#include "framework/dialog.h"

class CConverterDialog : public CDialog {
 public:
  explicit CConverterDialog(CWnd* parent = nullptr);
  ~CConverterDialog() override;

  // The file name the edit starts with.
  void SetStartName(const std::wstring& name) { m_strStartName = name; }

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* message) override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  LRESULT OnSysCommand(WPARAM wparam, LPARAM lparam);
  LRESULT OnPaint(WPARAM wparam, LPARAM lparam);
  LRESULT OnDestroy(WPARAM wparam, LPARAM lparam);
  LRESULT OnDropFiles(WPARAM wparam, LPARAM lparam);
  LRESULT OnCopyData(WPARAM wparam, LPARAM lparam);
  void OnBrowse();
  void OnConvert();
  void OnAbout();
  void ShowError(UINT message_id, const CString& file_name = CString());

  CButton m_browseButton;
  CEdit m_fileNameEdit;
  CButton m_convertButton;
  CButton m_keepCheck;
  HICON m_hIcon;
  HICON m_hSmallIcon;
  std::unique_ptr<CBusyDialog> m_pBusyDialog;
  std::wstring m_strStartName;
  // Marks this dialog for later starts under the same program name.
  CString m_strInstanceProperty;
};

#endif  // QUENLO32_CONVERTER_DIALOG_H_
