#include "converter_dialog.h"

#include <shellapi.h>

#include <string>

#include "about_dialog.h"
#include "conversion.h"
#include "converter_app.h"
#include "file_names.h"
#include "framework/file_dialog.h"
#include "framework/paint_dc.h"
#include "framework/wait_cursor.h"
#include "framework/win_app.h"
#include "instance.h"
#include "keyboard_filter.h"
#include "quenlo/engine.h"
#include "resources/resource.h"

namespace {

const wchar_t kErrorCaption[] = L"ｴﾗｰﾒｯｾｰｼﾞ";
const wchar_t kDoneCaption[] = L"完了ﾒｯｾｰｼﾞ";
const wchar_t kCancelledCaption[] = L"中止ﾒｯｾｰｼﾞ";
const wchar_t kQuestionCaption[] = L"確認ﾒｯｾｰｼﾞ";
const wchar_t kFileFilter[] = L"全てのﾌｧｲﾙ(*.*)|*.*|";

// Posted by the worker when the engine has returned.
constexpr UINT kConversionDone = WM_APP + 1;
// The busy window's progress bar follows the worker this often.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressIntervalMs = 100;

}  // namespace

CConverterDialog::CConverterDialog(CWnd* parent)
    : CDialog(IDD_CONVERTER, parent),
      m_hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_hSmallIcon(static_cast<HICON>(LoadImageW(
          AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED))) {}

// Out of line: the busy window's type is complete here.
CConverterDialog::~CConverterDialog() = default;

void CConverterDialog::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_FILE_NAME, m_fileNameEdit);
  DDX_Control(exchange, IDC_KEEP_BACKUP, m_keepCheck);
}

BOOL CConverterDialog::OnInitDialog() {
  CDialog::OnInitDialog();

  if (HMENU system_menu = GetSystemMenu(m_hWnd, FALSE)) {
    CString about;
    about.LoadString(IDS_ABOUTBOX);
    if (!about.IsEmpty()) {
      AppendMenuW(system_menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(system_menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL,
              reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hIcon));

  CWaitCursor wait;
  CString please_wait;
  please_wait.LoadString(IDS_PLEASE_WAIT);
  m_pBusyDialog = std::make_unique<CBusyDialog>(this);
  m_pBusyDialog->Create(IDD_BUSY);
  m_pBusyDialog->SetDlgItemText(IDC_BUSY_TEXT, please_wait);
  m_pBusyDialog->ShowWindow(SW_HIDE);

  CheckRadioButton(IDC_STYLE_CRLF, IDC_STYLE_CR, IDC_STYLE_CRLF);
  DragAcceptFiles(m_hWnd, TRUE);
  m_fileNameEdit.SetWindowText(m_strStartName);
  m_strInstanceProperty = MainWindowProperty(theApp.GetModuleName());
  SetPropW(m_hWnd, m_strInstanceProperty, m_hWnd);
  return TRUE;
}

BOOL CConverterDialog::PreTranslateMessage(MSG* message) {
  if (IsSwallowedKey(*message)) return TRUE;
  return CDialog::PreTranslateMessage(message);
}

LRESULT CConverterDialog::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SYSCOMMAND:
      return OnSysCommand(wparam, lparam);
    case WM_PAINT:
      return OnPaint(wparam, lparam);
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_DESTROY:
      return OnDestroy(wparam, lparam);
    case WM_DROPFILES:
      return OnDropFiles(wparam, lparam);
    case WM_COPYDATA:
      return OnCopyData(wparam, lparam);
    case kConversionDone:
      OnConversionDone();
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_SETCURSOR: {
      // The hourglass over the dialog's disabled controls while the
      // conversion runs; the caption keeps its own cursors.
      const short hit = static_cast<short>(LOWORD(lparam));
      if (m_pJob && (hit == HTCLIENT || hit == HTERROR)) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      return CDialog::WindowProc(message, wparam, lparam);
    }
    default:
      return CDialog::WindowProc(message, wparam, lparam);
  }
}

BOOL CConverterDialog::OnCommand(WPARAM wparam, LPARAM lparam) {
  if (HIWORD(wparam) == BN_CLICKED) {
    switch (LOWORD(wparam)) {
      case IDC_BROWSE:
        OnBrowse();
        return TRUE;
      case IDC_CONVERT:
        OnConvert();
        return TRUE;
      case IDC_VERSION:
        OnAbout();
        return TRUE;
      case IDC_BUSY_CANCEL:
        OnCancelConversion();
        return TRUE;
    }
  }
  return CDialog::OnCommand(wparam, lparam);
}

LRESULT CConverterDialog::OnSysCommand(WPARAM wparam, LPARAM lparam) {
  if ((wparam & 0xFFF0) == IDM_ABOUTBOX) {
    // Not over a running conversion: the version button is disabled too.
    if (!m_pJob) OnAbout();
    return 0;
  }
  return DefWindowProc(WM_SYSCOMMAND, wparam, lparam);
}

LRESULT CConverterDialog::OnPaint(WPARAM wparam, LPARAM lparam) {
  if (!IsIconic(m_hWnd)) return DefWindowProc(WM_PAINT, wparam, lparam);
  CPaintDC dc(m_hWnd);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)));
  RECT client;
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  return 0;
}

LRESULT CConverterDialog::OnDestroy(WPARAM wparam, LPARAM lparam) {
  RemovePropW(m_hWnd, m_strInstanceProperty);
  // Should the window go while a conversion runs, the conversion is
  // cancelled and waited for, so the file is left as it was.
  m_pJob.reset();
  m_pBusyDialog.reset();
  return DefWindowProc(WM_DESTROY, wparam, lparam);
}

LRESULT CConverterDialog::OnDropFiles(WPARAM wparam, LPARAM lparam) {
  HDROP drop = reinterpret_cast<HDROP>(wparam);
  std::wstring joined;
  bool all_fit = true;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
    name.resize(DragQueryFileW(drop, i, &name[0], static_cast<UINT>(name.size() + 1)));
    all_fit = AppendDroppedName(joined, name) && all_fit;
  }
  DragFinish(drop);
  // A name left out is told, and the field keeps its text when none fits.
  if (!joined.empty()) SetNames(joined);
  if (!all_fit) ShowError(IDS_BAD_NAME);
  return DefWindowProc(WM_DROPFILES, wparam, lparam);
}

LRESULT CConverterDialog::OnCopyData(WPARAM, LPARAM lparam) {
  std::wstring name;
  if (!lparam || !FileNameFromCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lparam), &name))
    return FALSE;
  SetNames(TrimmedName(name));
  return TRUE;
}

void CConverterDialog::SetNames(const std::wstring& names) {
  // The field keeps the converting file's name until its result is told:
  // the NUL question names the file by the field, and Yes converts that file.
  if (m_pJob || m_bTelling) {
    m_strPendingNames = names;
  } else {
    m_fileNameEdit.SetWindowText(names);
  }
}

void CConverterDialog::OnBrowse() {
  CFileDialog dialog(TRUE, nullptr, m_fileNameEdit.GetWindowText(),
                     OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kFileFilter);
  if (dialog.DoModal() == IDOK) m_fileNameEdit.SetWindowText(dialog.GetPathName());
}

void CConverterDialog::OnConvert() {
  // One conversion at a time; a command can still be posted to the dialog.
  if (m_pJob) return;
  const CString name(TrimmedName(m_fileNameEdit.GetWindowText().str()));
  std::string utf8_name;
  // A name with a lone surrogate has no UTF-8 form for the engine.
  if (name.IsEmpty() || !quenlo::Utf8Form(name.str(), &utf8_name)) {
    ShowError(IDS_BAD_NAME);
    return;
  }
  switch (WhatNameIs(name.str(), utf8_name)) {
    case NameIs::kFile:
      break;
    case NameIs::kMissing:
      ShowError(IDS_NOT_FOUND);
      return;
    default:
      ShowError(IDS_BAD_NAME);
      return;
  }

  const LineBreakStyle style = StyleForButton(GetCheckedRadioButton(IDC_STYLE_CRLF, IDC_STYLE_CR));
  const int keep = m_keepCheck.GetCheck() == BST_CHECKED ? 1 : 0;

  m_strConverting = name;
  StartConversion(std::make_unique<ConversionJob>(style, keep, kModeDetect, utf8_name, m_hWnd,
                                                  kConversionDone));
}

void CConverterDialog::StartConversion(std::unique_ptr<ConversionJob> job) {
  // A convert command posted while the question about a NUL byte was up may
  // have started one already.
  if (m_pJob) return;
  if (!job->Start()) {
    ShowError(IDS_CONVERT_FAILED);
    return;
  }
  m_pJob = std::move(job);
  m_bCloseWhenDone = false;
  // The controls are disabled; the window itself goes on answering, and its
  // close box asks whether to cancel.
  EnableControls(FALSE);
  m_pBusyDialog->Reset();
  m_pBusyDialog->ShowWindow(SW_SHOW);
  m_pBusyDialog->UpdateWindow();
  SetTimer(m_hWnd, kProgressTimer, kProgressIntervalMs, nullptr);
}

void CConverterDialog::OnTimer(WPARAM timer_id) {
  if (timer_id == kProgressTimer && m_pJob) m_pBusyDialog->SetProgress(m_pJob->Permille());
}

void CConverterDialog::OnCancelConversion() {
  if (!m_pJob) return;
  m_pJob->Cancel();
  m_pBusyDialog->DisableCancel();
}

void CConverterDialog::OnConversionDone() {
  if (!m_pJob) return;
  // Answered after the close question, which is still up.
  if (m_bAsking) {
    m_bDonePending = true;
    return;
  }
  KillTimer(m_hWnd, kProgressTimer);
  const std::unique_ptr<ConversionJob> done = std::move(m_pJob);
  EnableControls(TRUE);
  m_pBusyDialog->ShowWindow(SW_HIDE);
  m_bTelling = true;
  // What looks binary may still be text, which only the user can tell. No
  // leaves the file as it was and needs no further word.
  const bool utf16 = done->Result() == kConvertUtf16NoBom;
  const bool binary = (done->Result() == kConvertBinary || utf16) && !done->Cancelled();
  if (binary) {
    CString question;
    question.LoadString(utf16 ? IDS_ASK_BYTES_UTF16 : IDS_ASK_BYTES);
    if (MessageBox(question, kQuestionCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
        IDYES) {
      // Deleted while the question was up, it is told as the convert
      // command tells it.
      std::string utf8_name;
      quenlo::Utf8Form(m_strConverting.str(), &utf8_name);
      if (quenlo_name_kind(utf8_name.c_str()) == kNameMissing) {
        ShowError(IDS_NOT_FOUND);
      } else {
        StartConversion(done->SameFileByBytes());
      }
    }
  } else {
    Report(done->Status(), m_strConverting);
  }
  m_bTelling = false;
  if (m_bCloseWhenDone) {
    EndDialog(IDCANCEL);
    return;
  }
  if (!m_pJob && m_strPendingNames) {
    m_fileNameEdit.SetWindowText(*m_strPendingNames);
    m_strPendingNames.reset();
  }
}

void CConverterDialog::EnableControls(BOOL enable) {
  for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EnableWindow(child, enable);
}

void CConverterDialog::OnOK() {
  if (m_pJob) {
    AskToCancel();
    return;
  }
  CDialog::OnOK();
}

void CConverterDialog::OnCancel() {
  if (m_pJob) {
    AskToCancel();
    return;
  }
  CDialog::OnCancel();
}

void CConverterDialog::AskToCancel() {
  if (m_bAsking) return;
  m_bAsking = true;
  CString question;
  question.LoadString(IDS_ASK_CANCEL);
  // Over the busy window, so that its cancel button waits for the answer.
  const int answer = ::MessageBoxW(m_pBusyDialog->m_hWnd, question, kQuestionCaption,
                                   MB_YESNO | MB_ICONQUESTION);
  m_bAsking = false;
  if (answer == IDYES) {
    m_bCloseWhenDone = true;
    OnCancelConversion();
  }
  if (m_bDonePending) {
    m_bDonePending = false;
    OnConversionDone();
  }
}

void CConverterDialog::Report(const QuenloStatus& status, const CString& file_name) {
  // Gone since the convert command found it: told as that command tells it.
  std::string utf8_name;
  if (status.result == kConvertNotAFile && quenlo::Utf8Form(file_name.str(), &utf8_name) &&
      quenlo_name_kind(utf8_name.c_str()) == kNameMissing) {
    ShowError(IDS_NOT_FOUND);
    return;
  }
  CString done;
  done.LoadString(IDS_DONE);
  const ConvertReport report = ReportFor(status, file_name.str(), done.str());
  switch (report.kind) {
    case quenlo::MessageKind::kFailed:
      MessageBox(report.text, kErrorCaption, MB_ICONEXCLAMATION);
      break;
    case quenlo::MessageKind::kCancelled:
      MessageBox(report.text, kCancelledCaption, MB_ICONINFORMATION);
      break;
    case quenlo::MessageKind::kDone:
      MessageBox(report.text, kDoneCaption, MB_ICONINFORMATION);
      break;
  }
}

void CConverterDialog::OnAbout() {
  CAboutDialog about;
  about.DoModal();
}

void CConverterDialog::ShowError(UINT message_id) {
  CString text;
  text.LoadString(message_id);
  MessageBox(text, kErrorCaption, MB_ICONEXCLAMATION);
}
