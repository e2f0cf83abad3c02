#include "converter_dialog.h"

#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "about_dialog.h"
#include "captions.h"
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
  m_fileNameEdit.SendMessage(EM_SETLIMITTEXT, kNamesLimit);
  m_fileNameEdit.SetWindowText(m_strStartNames);
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
      if (Converting() && (hit == HTCLIENT || hit == HTERROR)) {
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
    if (!Converting()) OnAbout();
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
  m_pBatch.reset();
  m_pBusyDialog.reset();
  return DefWindowProc(WM_DESTROY, wparam, lparam);
}

LRESULT CConverterDialog::OnDropFiles(WPARAM wparam, LPARAM lparam) {
  HDROP drop = reinterpret_cast<HDROP>(wparam);
  std::vector<std::wstring> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
    name.resize(DragQueryFileW(drop, i, &name[0], static_cast<UINT>(name.size() + 1)));
    names.push_back(name);
  }
  DragFinish(drop);
  OfferNames(names);
  return DefWindowProc(WM_DROPFILES, wparam, lparam);
}

LRESULT CConverterDialog::OnCopyData(WPARAM, LPARAM lparam) {
  std::wstring names;
  if (!lparam || !FileNameFromCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lparam), &names))
    return FALSE;
  SetNames(names);
  return TRUE;
}

void CConverterDialog::OfferNames(const std::vector<std::wstring>& offered) {
  std::vector<std::wstring> names;
  for (const std::wstring& name : offered) {
    if (FitsNameBuffer(name)) names.push_back(name);
  }
  const std::wstring text = TextForNames(names);
  // Refused whole rather than cut short.
  if (text.size() > kNamesLimit) {
    ShowError(IDS_TOO_MANY_NAMES);
    return;
  }
  // A name left out is told, and the field keeps its text when none fits.
  if (!names.empty()) SetNames(text);
  if (names.size() != offered.size()) ShowError(IDS_BAD_NAME);
}

void CConverterDialog::SetNames(const std::wstring& names) {
  // The field keeps the converting file's name until its result is told:
  // the NUL question names the file by the field, and Yes converts that file.
  if (Converting() || m_bTelling) {
    m_strPendingNames = names;
  } else {
    m_fileNameEdit.SetWindowText(names);
  }
}

void CConverterDialog::OnBrowse() {
  CFileDialog dialog(TRUE, nullptr, m_fileNameEdit.GetWindowText(),
                     OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, kFileFilter);
  if (dialog.DoModal() == IDOK) {
    OfferNames(dialog.GetPathNames());
  } else if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
    ShowError(IDS_TOO_MANY_NAMES);
  }
}

void CConverterDialog::OnConvert() {
  // One conversion at a time; a command can still be posted to the dialog.
  if (Converting()) return;
  const std::vector<std::wstring> names = NamesInText(m_fileNameEdit.GetWindowText().str());
  std::vector<std::string> utf8_names;
  for (const std::wstring& name : names) {
    // A name with a lone surrogate has no UTF-8 form for the engine.
    std::string utf8_name;
    if (!quenlo::Utf8Form(name, &utf8_name)) break;
    utf8_names.push_back(utf8_name);
  }
  if (names.empty() || utf8_names.size() != names.size()) {
    ShowError(IDS_BAD_NAME);
    return;
  }
  const LineBreakStyle style = StyleForButton(GetCheckedRadioButton(IDC_STYLE_CRLF, IDC_STYLE_CR));
  const int keep = m_keepCheck.GetCheck() == BST_CHECKED ? 1 : 0;

  if (names.size() == 1) {
    switch (WhatNameIs(names.front(), utf8_names.front())) {
      case NameIs::kFile:
        m_strConverting = names.front();
        StartConversion(std::make_unique<ConversionJob>(style, keep, kModeDetect,
                                                        utf8_names.front(), m_hWnd,
                                                        kConversionDone));
        return;
      case NameIs::kFolder:
        break;
      case NameIs::kMissing:
        ShowError(IDS_NOT_FOUND);
        return;
      default:
        ShowError(IDS_BAD_NAME);
        return;
    }
  }
  // Several names, or a folder: every file, and one summary. Each folder is
  // asked about first; any other name the engine reports on with its file.
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!IsFolder(names[i])) continue;
    const std::wstring folder = FolderName(names[i]);
    CString question;
    question.LoadString(IDS_ASK_FOLDER);
    if (MessageBox(Formatted(question.str(), {folder}), kQuestionCaption,
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
      return;
    }
    quenlo::Utf8Form(folder, &utf8_names[i]);
  }
  StartBatch(std::make_unique<BatchJob>(style, keep, utf8_names, m_hWnd, kConversionDone));
}

void CConverterDialog::StartConversion(std::unique_ptr<ConversionJob> job) {
  // A convert command posted while the question about a NUL byte was up may
  // have started one already.
  if (Converting()) return;
  if (!job->Start()) {
    ShowError(IDS_CONVERT_FAILED);
    return;
  }
  m_pJob = std::move(job);
  ShowBusy();
}

void CConverterDialog::StartBatch(std::unique_ptr<BatchJob> job) {
  if (Converting()) return;
  if (!job->Start()) {
    ShowError(IDS_CONVERT_FAILED);
    return;
  }
  m_pBatch = std::move(job);
  ShowBusy();
}

void CConverterDialog::ShowBusy() {
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
  if (timer_id != kProgressTimer) return;
  if (m_pJob) m_pBusyDialog->SetProgress(m_pJob->Permille());
  if (!m_pBatch) return;
  const BatchPosition position = m_pBatch->Position();
  m_pBusyDialog->SetProgress(position.permille);
  if (position.index == 0) return;
  CString count;
  count.LoadString(IDS_FILE_COUNT);
  m_pBusyDialog->SetFile(
      Formatted(count.str(), {std::to_wstring(position.index), std::to_wstring(position.found)}),
      position.name);
}

void CConverterDialog::OnCancelConversion() {
  if (m_pJob) m_pJob->Cancel();
  if (m_pBatch) m_pBatch->Cancel();
  if (Converting()) m_pBusyDialog->DisableCancel();
}

void CConverterDialog::OnConversionDone() {
  if (!Converting()) return;
  // Answered after the close question, which is still up.
  if (m_bAsking) {
    m_bDonePending = true;
    return;
  }
  KillTimer(m_hWnd, kProgressTimer);
  const std::unique_ptr<ConversionJob> done = std::move(m_pJob);
  const std::unique_ptr<BatchJob> batch = std::move(m_pBatch);
  // Hidden first: the busy window never shows over controls already live.
  m_pBusyDialog->ShowWindow(SW_HIDE);
  EnableControls(TRUE);
  m_bTelling = true;
  // What looks binary may still be text, which only the user can tell. No
  // leaves the file as it was and needs no further word.
  const bool utf16 = done && done->Result() == kConvertUtf16NoBom;
  const bool binary = done && (done->Result() == kConvertBinary || utf16) && !done->Cancelled();
  if (batch) {
    ReportBatch(batch->Outcome());
  } else if (binary) {
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
  if (!Converting() && m_strPendingNames) {
    m_fileNameEdit.SetWindowText(*m_strPendingNames);
    m_strPendingNames.reset();
  }
}

void CConverterDialog::EnableControls(BOOL enable) {
  for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EnableWindow(child, enable);
}

void CConverterDialog::OnOK() {
  if (Converting()) {
    AskToCancel();
    return;
  }
  CDialog::OnOK();
}

void CConverterDialog::OnCancel() {
  if (Converting()) {
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

void CConverterDialog::ReportBatch(const BatchOutcome& outcome) {
  CString line;
  std::wstring text;
  if (outcome.cancelled) {
    line.LoadString(IDS_SUMMARY_CANCELLED);
    text = line.str() + L"\n";
  }
  line.LoadString(IDS_SUMMARY);
  text += Formatted(line.str(), {std::to_wstring(outcome.converted),
                                 std::to_wstring(outcome.already_right),
                                 std::to_wstring(outcome.skipped_binary),
                                 std::to_wstring(outcome.failed)});
  if (!outcome.failures.empty()) {
    line.LoadString(IDS_SUMMARY_FAILED);
    text += L"\n\n" + line.str();
    for (const BatchOutcome::Failure& failure : outcome.failures)
      text += L"\n" + failure.name + L"\n    " + failure.reason;
    const std::int64_t more = outcome.failed - static_cast<std::int64_t>(outcome.failures.size());
    if (more > 0) {
      line.LoadString(IDS_SUMMARY_MORE);
      text += L"\n" + Formatted(line.str(), {std::to_wstring(more)});
    }
  }
  if (outcome.failed > 0) {
    MessageBox(text, kErrorCaption, MB_ICONEXCLAMATION);
  } else if (outcome.cancelled) {
    MessageBox(text, kCancelledCaption, MB_ICONINFORMATION);
  } else {
    MessageBox(text, kDoneCaption, MB_ICONINFORMATION);
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
