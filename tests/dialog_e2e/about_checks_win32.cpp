#include <cstdio>

#include "checks_win32.h"
#include "keys_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

namespace {

// The memory line as the program must show it: whole kilobytes of the total
// physical memory, not capped at 4 GiB.
std::wstring expected_memory_line() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  char line[64];
  std::snprintf(line, sizeof line, "%llu KB",
                static_cast<unsigned long long>(status.ullTotalPhys >> 10));
  return widen(line);
}

HWND wait_about(const Session& session) {
  const std::wstring caption = widen(quenlo::kAboutCaption);
  return wait_for([&] { return find_dialog(session.pid(), caption); });
}

void check_texts(Report& report, const std::string& how, HWND about) {
  const std::wstring version = item_text(about, quenlo::kVersionLine);
  report.check(how + ": version line", version == widen(quenlo::kVersion),
               L"got " + version);
  const std::wstring notice = item_text(about, quenlo::kNoticeLine);
  report.check(how + ": notice line", notice == widen(quenlo::kNotice), L"got " + notice);
  const std::wstring memory = item_text(about, quenlo::kMemoryLine);
  report.check(how + ": memory line", memory == expected_memory_line(),
               L"got " + memory + L", expected " + expected_memory_line());
}

}  // namespace

void check_about_box(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("about: main dialog appears", session.ready())) return;

  post_click(session.main(), quenlo::kAbout);
  HWND about = wait_about(session);
  if (report.check("about from button 1009: box appears", about != nullptr)) {
    check_texts(report, "about from button 1009", about);
    for (const Key& key : kSwallowedKeys) {
      post_key(GetDlgItem(about, IDOK), key.code);
      Sleep(kSettleMs);
      report.check(std::string("about: ") + key.name + " does nothing",
                   IsWindow(about) && IsWindowVisible(about), L"the About box closed");
    }
    post_click(about, IDOK);
    report.check("about: OK closes it", wait_until([&] { return !IsWindow(about); }));
  }

  PostMessageW(session.main(), WM_SYSCOMMAND, quenlo::kAboutCommand, 0);
  about = wait_about(session);
  if (report.check("about from the system menu: box appears", about != nullptr)) {
    check_texts(report, "about from the system menu", about);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    report.check("about: close box closes it",
                 wait_until([&] { return !IsWindow(about); }));
  }
  report.check("about: main dialog still there afterwards",
               session.process().running() && IsWindowVisible(session.main()));
  session.exit();
}
