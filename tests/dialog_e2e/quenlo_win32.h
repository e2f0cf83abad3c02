// What the driver knows of Quenlo32: its control ids (from the program's own
// resource header) and texts, and a running copy with its main dialog found.
#ifndef QUENLO_E2E_QUENLO_WIN32_H_
#define QUENLO_E2E_QUENLO_WIN32_H_

#include <windows.h>

#include <functional>
#include <string>

#include "process_win32.h"
#include "quenlo_version.h"
#include "resources/resource.h"

namespace quenlo {

constexpr int kNameEdit = IDC_FILE_NAME;
constexpr int kBrowse = IDC_BROWSE;
constexpr int kCrLf = IDC_STYLE_CRLF;
constexpr int kLf = IDC_STYLE_LF;
constexpr int kCr = IDC_STYLE_CR;
constexpr int kKeep = IDC_KEEP_BACKUP;
constexpr int kConvert = IDC_CONVERT;
constexpr int kExit = IDOK;
constexpr int kAbout = IDC_VERSION;
constexpr int kBusyText = IDC_BUSY_TEXT;
constexpr int kBusyProgress = IDC_BUSY_PROGRESS;
constexpr int kBusyCancel = IDC_BUSY_CANCEL;
constexpr int kBusyCount = IDC_BUSY_COUNT;
constexpr int kBusyName = IDC_BUSY_NAME;
constexpr WPARAM kAboutCommand = IDM_ABOUTBOX;

constexpr int kVersionLine = IDC_VERSION_TEXT;
constexpr int kNoticeLine = IDC_NOTICE_TEXT;
constexpr int kMemoryLine = IDC_MEMORY_TEXT;

constexpr char kMainCaption[] = "Quenlo32 改行ｺｰﾄﾞ変換ﾂｰﾙ";
constexpr char kAboutCaption[] = "ﾊﾞｰｼﾞｮﾝ情報";
constexpr char kBusy[] = "\n\nしばらくお待ち下さい。";
constexpr char kDoneCaption[] = "完了ﾒｯｾｰｼﾞ";
constexpr char kDone[] = "完了しました。";
constexpr char kCancelledCaption[] = "中止ﾒｯｾｰｼﾞ";
constexpr char kCancelled[] = "中断しました。ﾌｧｲﾙは変更していません。";
constexpr char kQuestionCaption[] = "確認ﾒｯｾｰｼﾞ";
constexpr char kAskCancel[] = "変換中です。変換を中止して終了しますか？";
constexpr char kAskBytes[] =
    "NULﾊﾞｲﾄを含むﾌｧｲﾙです。ﾊﾞｲﾅﾘかBOMのないUTF-16の可能性があります。\n"
    "ﾊﾞｲﾄ単位で改行ｺｰﾄﾞを変換しますか？";
constexpr char kErrorCaption[] = "ｴﾗｰﾒｯｾｰｼﾞ";
constexpr char kBadName[] = "変換するﾌｧｲﾙ名が正しく指定されていません。";
constexpr char kNotFound[] = "変換するﾌｧｲﾙ名が存在しません。";
constexpr char kChanged[] = "変換中に他のﾌﾟﾛｸﾞﾗﾑがﾌｧｲﾙを変更しました。変換しませんでした。";
constexpr char kTooManyNames[] =
    "ﾌｧｲﾙ名が合わせて65535文字を超えるため受け付けられません。ﾌｧｲﾙを分けて指定して下さい。";
constexpr char kSummaryCancelled[] = "中断しました。残りのﾌｧｲﾙは変換していません。\n";
constexpr char kSummaryFailed[] = "\n\n変換できなかったﾌｧｲﾙ:";
constexpr char kVersion[] = "Quenlo32 改行ｺｰﾄﾞ変換ﾂｰﾙ Version " QUENLO_VERSION_TEXT;
constexpr char kNotice[] = QUENLO_NOTICE;

// The question before a folder is converted.
std::wstring folder_question(const std::wstring& folder);
// The counts of a run of several files, as its summary gives them.
std::wstring summary(int converted, int already_right, int skipped_binary, int failed);

}  // namespace quenlo

// A message box that appeared, read and then dismissed with its OK button.
struct MessageBoxSeen {
  bool appeared = false;
  bool dismissed = false;
  std::wstring caption;
  std::wstring text;
  int default_button = 0;  // read from a question only
};

// True when the box appeared with exactly this caption and text and closed.
bool shows(const MessageBoxSeen& seen, const char* caption, const char* text);
// What the box showed, for a failure line.
std::wstring describe(const MessageBoxSeen& seen);

// A running copy of the program with its main dialog.
class Session {
 public:
  explicit Session(const std::wstring& program, const std::wstring& arguments = {},
                   const std::wstring& folder = {});

  // True when the process runs and its main dialog is up.
  bool ready() const { return main_ != nullptr; }
  DWORD pid() const { return process_.pid(); }
  HWND main() const { return main_; }
  Process& process() { return process_; }

  // The hidden window the conversion shows, created with the main dialog;
  // found by its text once the main dialog is up.
  HWND busy_window() const { return busy_; }
  // Waits for a dialog other than the main one and the busy window.
  HWND wait_popup() const;
  // Waits for a message box, reads it and presses its OK button.
  MessageBoxSeen take_message_box() const;
  // Sets the file name and presses the convert button; returns the box shown.
  MessageBoxSeen convert(const std::wstring& name) const;
  // Presses "終了" and waits for the process to end.
  bool exit();

 private:
  Process process_;
  HWND main_ = nullptr;
  HWND busy_ = nullptr;
};

// Answers a question with `button` once it is up, after `before`; true if
// it was. The question's default button is read too.
bool answer_question(const Session& session, int button, MessageBoxSeen* seen,
                     const std::function<void()>& before = [] {});

// The text of a message box (its static control 0xFFFF).
std::wstring message_box_text(HWND box);

#endif  // QUENLO_E2E_QUENLO_WIN32_H_
