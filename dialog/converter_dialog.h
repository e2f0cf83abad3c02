// The main dialog: file name, target style, keep option, convert.
#ifndef QUENLO32_CONVERTER_DIALOG_H_
#define QUENLO32_CONVERTER_DIALOG_H_

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch_job.h"
#include "busy_dialog.h"
#include "conversion_job.h"
#include "framework/dialog.h"

class CConverterDialog : public CDialog {
 public:
  explicit CConverterDialog(CWnd* parent = nullptr);
  ~CConverterDialog() override;

  // The file names the edit starts with, in its form.
  void SetStartNames(const std::wstring& names) { m_strStartNames = names; }

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* message) override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  // "終了" and the close box: during a conversion they ask first.
  void OnOK() override;
  void OnCancel() override;

 private:
  LRESULT OnSysCommand(WPARAM wparam, LPARAM lparam);
  LRESULT OnPaint(WPARAM wparam, LPARAM lparam);
  LRESULT OnDestroy(WPARAM wparam, LPARAM lparam);
  LRESULT OnDropFiles(WPARAM wparam, LPARAM lparam);
  LRESULT OnCopyData(WPARAM wparam, LPARAM lparam);
  // Fills the field, or, while a conversion runs or its result is told,
  // keeps the names for it until then.
  void SetNames(const std::wstring& names);
  // Dropped or chosen names: a name too long for the engine is left out
  // and told; names too many for the field are refused whole.
  void OfferNames(const std::vector<std::wstring>& names);
  void OnBrowse();
  void OnConvert();
  // Show the busy window while the job runs.
  void StartConversion(std::unique_ptr<ConversionJob> job);
  void StartBatch(std::unique_ptr<BatchJob> job);
  void ShowBusy();
  bool Converting() const { return m_pJob || m_pBatch; }
  void OnCancelConversion();
  void OnConversionDone();
  void OnTimer(WPARAM timer_id);
  void AskToCancel();
  // The dialog's controls; its caption and close box stay live.
  void EnableControls(BOOL enable);
  void OnAbout();
  void Report(const QuenloStatus& status, const CString& file_name);
  // One message for a run of several files.
  void ReportBatch(const BatchOutcome& outcome);
  void ShowError(UINT message_id);

  CEdit m_fileNameEdit;
  CButton m_keepCheck;
  HICON m_hIcon;
  HICON m_hSmallIcon;
  std::unique_ptr<CBusyDialog> m_pBusyDialog;
  // The running conversion, if any, and the name it converts; or the
  // running conversion of several files.
  std::unique_ptr<ConversionJob> m_pJob;
  CString m_strConverting;
  std::unique_ptr<BatchJob> m_pBatch;
  bool m_bAsking = false;       // the close question is up
  bool m_bDonePending = false;  // the conversion ended while it was
  bool m_bCloseWhenDone = false;
  bool m_bTelling = false;  // the conversion's result or question is up
  // Names dropped or handed over meanwhile, for the field afterwards.
  std::optional<std::wstring> m_strPendingNames;
  std::wstring m_strStartNames;
  // Marks this dialog for later starts under the same program name.
  CString m_strInstanceProperty;
};

#endif  // QUENLO32_CONVERTER_DIALOG_H_
