#include "quenlo_win32.h"

#include "text_win32.h"
#include "windows_win32.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;

BOOL CALLBACK find_message_text(HWND child, LPARAM param) {
  if ((GetDlgCtrlID(child) & 0xFFFF) != kMessageTextId) return TRUE;
  *reinterpret_cast<HWND*>(param) = child;
  return FALSE;
}

}  // namespace

namespace quenlo {

std::wstring folder_question(const std::wstring& folder) {
  return widen("ﾌｫﾙﾀﾞ ") + folder +
         widen(" とその下のﾌｫﾙﾀﾞにあるﾃｷｽﾄﾌｧｲﾙをすべて変換します。\nよろしいですか？");
}

std::wstring summary(int converted, int already_right, int skipped_binary, int failed) {
  return widen("変換しました: ") + std::to_wstring(converted) + widen(" 個\n変換不要でした: ") +
         std::to_wstring(already_right) + widen(" 個\nﾊﾞｲﾅﾘのためｽｷｯﾌﾟしました: ") +
         std::to_wstring(skipped_binary) + widen(" 個\n変換できませんでした: ") +
         std::to_wstring(failed) + widen(" 個");
}

}  // namespace quenlo

std::wstring message_box_text(HWND box) {
  HWND text = nullptr;
  EnumChildWindows(box, find_message_text, reinterpret_cast<LPARAM>(&text));
  return text_of(text);
}

bool shows(const MessageBoxSeen& seen, const char* caption, const char* text) {
  return seen.appeared && seen.dismissed && seen.caption == widen(caption) &&
         seen.text == widen(text);
}

std::wstring describe(const MessageBoxSeen& seen) {
  if (!seen.appeared) return L"no message box appeared";
  return L"caption " + seen.caption + L", text " + seen.text +
         (seen.dismissed ? L"" : L" (did not close)");
}

Session::Session(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& folder)
    : process_(program, arguments, folder) {
  if (!process_.started()) return;
  const std::wstring caption = widen(quenlo::kMainCaption);
  main_ = wait_for([&] { return find_dialog(process_.pid(), caption); });
  if (!main_) return;
  for (HWND window : top_windows(pid())) {
    if (window != main_ && class_name(window) == L"#32770" &&
        text_of(GetDlgItem(window, quenlo::kBusyText)) == widen(quenlo::kBusy)) {
      busy_ = window;
    }
  }
}

HWND Session::wait_popup() const {
  return wait_for([&] { return find_other_dialog(pid(), {main_, busy_}); });
}

MessageBoxSeen Session::take_message_box() const {
  MessageBoxSeen seen;
  const HWND box = wait_popup();
  if (!box) return seen;
  seen.appeared = true;
  seen.caption = text_of(box);
  seen.text = message_box_text(box);
  post_click(box, IDOK);
  seen.dismissed = wait_until([&] { return !IsWindow(box); });
  return seen;
}

MessageBoxSeen Session::convert(const std::wstring& name) const {
  set_item_text(main_, quenlo::kNameEdit, name);
  post_click(main_, quenlo::kConvert);
  return take_message_box();
}

bool Session::exit() {
  if (!main_) return false;
  post_click(main_, quenlo::kExit);
  return process_.wait_exit(kWaitMs);
}

bool answer_question(const Session& session, int button, MessageBoxSeen* seen,
                     const std::function<void()>& before) {
  const HWND box = wait_for([&] {
    const HWND found = find_other_dialog(session.pid(), {session.main(), session.busy_window()});
    return found && text_of(found) == widen(quenlo::kQuestionCaption) ? found : nullptr;
  }, 5000);
  if (!box) return false;
  seen->appeared = true;
  seen->caption = text_of(box);
  seen->text = message_box_text(box);
  // The button that Enter presses is drawn as the default push button.
  for (int id = IDOK; id <= IDCONTINUE; ++id) {
    const HWND button = GetDlgItem(box, id);
    if (button && IsWindowVisible(button) &&
        (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      seen->default_button = id;
    }
  }
  before();
  post_click(box, button);
  seen->dismissed = wait_until([&] { return !IsWindow(box); }, 5000);
  return true;
}
