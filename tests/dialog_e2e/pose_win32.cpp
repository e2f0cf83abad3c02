#include "pose_win32.h"

#include <cstdio>

#include "files_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

int pose(const std::wstring& program, bool about, const std::wstring& done) {
  Session session(program);
  if (!session.ready()) return 2;
  HWND shown = session.main();
  if (about) {
    post_click(shown, quenlo::kAbout);
    const std::wstring caption = widen(quenlo::kAboutCaption);
    shown = wait_for([&] { return find_dialog(session.pid(), caption); });
    if (!shown) return 2;
  }
  // Shown active, as the user would see it, and fully painted.
  SetForegroundWindow(shown);
  // A bare X server gives no window the input focus, so the caption would
  // stay drawn inactive.
  PostMessageW(shown, WM_NCACTIVATE, TRUE, 0);
  Sleep(1500);
  RECT rect{};
  GetWindowRect(shown, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
  std::fflush(stdout);
  wait_until([&] { return exists(done); }, 60000);
  if (about) {
    post_click(shown, IDOK);
    wait_until([&] { return !IsWindow(shown); });
  }
  session.exit();
  return 0;
}
