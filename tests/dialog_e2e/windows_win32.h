// Finding and reading the windows of another process. Every wait is bounded,
// so a program that hangs fails its check instead of stopping the run.
#ifndef QUENLO_E2E_WINDOWS_WIN32_H_
#define QUENLO_E2E_WINDOWS_WIN32_H_

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

constexpr DWORD kWaitMs = 15000;
constexpr DWORD kSettleMs = 700;

// Top-level windows of the process, hidden ones included.
std::vector<HWND> top_windows(DWORD pid);

std::wstring class_name(HWND window);
// The text as the window itself reports it (WM_GETTEXT), not the caption
// cached at creation; empty if the window does not answer in time.
std::wstring text_of(HWND window);
std::wstring item_text(HWND dialog, int id);
bool set_item_text(HWND dialog, int id, const std::wstring& text);
bool is_checked(HWND dialog, int id);

// Presses a push button the way a click would, without waiting for what the
// press opens (a message box or a modal dialog would block a sent message).
void post_click(HWND dialog, int id);

bool wait_until(const std::function<bool()>& done, DWORD timeout_ms = kWaitMs);
// Polls find until it yields a window or the timeout passes.
HWND wait_for(const std::function<HWND()>& find, DWORD timeout_ms = kWaitMs);

// A visible top-level dialog of the process with this caption.
HWND find_dialog(DWORD pid, const std::wstring& caption);
// The first visible top-level dialog of the process not in known.
HWND find_other_dialog(DWORD pid, const std::vector<HWND>& known);

#endif  // QUENLO_E2E_WINDOWS_WIN32_H_
