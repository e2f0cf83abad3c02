#include "windows_win32.h"

namespace {

constexpr UINT kSendTimeoutMs = 5000;

struct Search {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->pid) search->found.push_back(window);
  return TRUE;
}

bool is_dialog(HWND window) {
  return IsWindowVisible(window) && class_name(window) == L"#32770";
}

}  // namespace

std::vector<HWND> top_windows(DWORD pid) {
  Search search{pid, {}};
  EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring class_name(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring text_of(HWND window) {
  DWORD_PTR length = 0;
  if (!window ||
      !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                           reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::wstring item_text(HWND dialog, int id) {
  return text_of(GetDlgItem(dialog, id));
}

bool set_item_text(HWND dialog, int id, const std::wstring& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) &&
         result == TRUE;
}

bool is_checked(HWND dialog, int id) {
  DWORD_PTR state = 0;
  return SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0,
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &state) &&
         state == BST_CHECKED;
}

void post_click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool wait_until(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
}

HWND wait_for(const std::function<HWND()>& find, DWORD timeout_ms) {
  HWND found = nullptr;
  wait_until([&] { return (found = find()) != nullptr; }, timeout_ms);
  return found;
}

HWND find_dialog(DWORD pid, const std::wstring& caption) {
  for (HWND window : top_windows(pid)) {
    if (is_dialog(window) && text_of(window) == caption) return window;
  }
  return nullptr;
}

HWND find_other_dialog(DWORD pid, const std::vector<HWND>& known) {
  for (HWND window : top_windows(pid)) {
    bool seen = false;
    for (HWND k : known) seen = seen || k == window;
    if (!seen && is_dialog(window)) return window;
  }
  return nullptr;
}
