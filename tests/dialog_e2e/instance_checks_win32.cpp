#include "checks_win32.h"
#include "files_win32.h"
#include "process_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

namespace {

// A refused start ends by itself without ever showing a window.
bool refused(const std::wstring& program, const std::wstring& arguments = {},
             const std::wstring& folder = {}) {
  Process process(program, arguments, folder);
  if (!process.started()) return false;
  bool shown = false;
  const bool ended = wait_until([&] {
    for (HWND window : top_windows(process.pid())) shown = shown || IsWindowVisible(window);
    return !process.running();
  });
  return ended && !shown;
}

// A name given on the command line fills the edit of the copy it starts,
// resolved against the folder the copy starts in.
void check_command_line_names(const Setup& setup) {
  Report& report = setup.report;
  const std::wstring folder = setup.work + L"\\start folder";
  make_folder(folder);
  struct NameCase {
    const char* label;
    std::wstring arguments;
    std::wstring expected;
  };
  const NameCase cases[] = {
      {"full path", L"\"" + setup.work + L"\\sent to.txt\"", setup.work + L"\\sent to.txt"},
      {"name in the start folder", L"memo.txt", folder + L"\\memo.txt"},
      {"two names", L"one.txt \"two words.txt\"",
       L"\"" + folder + L"\\one.txt\" \"" + folder + L"\\two words.txt\""},
  };
  for (const NameCase& c : cases) {
    Session session(setup.program, c.arguments, folder);
    const std::string label = std::string("command line ") + c.label;
    if (!report.check(label + ": main dialog appears", session.ready())) continue;
    const std::wstring shown = item_text(session.main(), quenlo::kNameEdit);
    report.check(label + ": fills the edit", shown == c.expected, L"edit holds " + shown);
    session.exit();
  }
}

// A second start brings the first copy to the front and hands it the
// name from its command line, resolved in the second start's folder.
void check_hand_over(const Setup& setup, const Session& first, HWND elsewhere) {
  Report& report = setup.report;
  const HWND main = first.main();
  const std::wstring folder = setup.work + L"\\second folder";
  make_folder(folder);

  SetForegroundWindow(elsewhere);
  report.check("hand over: another program's window in front beforehand",
               GetForegroundWindow() == elsewhere);
  set_item_text(main, quenlo::kNameEdit, L"typed before");
  report.check("hand over: second start with a name refused",
               refused(setup.program, L"handed.txt", folder));
  std::wstring shown = item_text(main, quenlo::kNameEdit);
  report.check("hand over: name fills the first copy's edit as a full path",
               shown == folder + L"\\handed.txt", L"edit holds " + shown);
  report.check("hand over: first copy brought to the front", GetForegroundWindow() == main);

  report.check("hand over: second start with two names refused",
               refused(setup.program, L"one.txt \"two words.txt\"", folder));
  shown = item_text(main, quenlo::kNameEdit);
  report.check("hand over: both names fill the edit, quoted",
               shown == L"\"" + folder + L"\\one.txt\" \"" + folder + L"\\two words.txt\"",
               L"edit holds " + shown);
  set_item_text(main, quenlo::kNameEdit, folder + L"\\handed.txt");

  SetForegroundWindow(elsewhere);
  report.check("hand over: second start without a name refused", refused(setup.program));
  shown = item_text(main, quenlo::kNameEdit);
  report.check("hand over: no name leaves the edit alone", shown == folder + L"\\handed.txt",
               L"edit holds " + shown);
  report.check("hand over without a name: first copy brought to the front",
               GetForegroundWindow() == main);

  // With the About box open, it is what comes to the front.
  post_click(main, quenlo::kAbout);
  const HWND about =
      wait_for([&] { return find_dialog(first.pid(), widen(quenlo::kAboutCaption)); });
  if (report.check("hand over: About box open", about != nullptr)) {
    SetForegroundWindow(elsewhere);
    refused(setup.program, L"\"" + setup.work + L"\\over about.txt\"");
    report.check("hand over: the About box comes to the front", GetForegroundWindow() == about);
    shown = item_text(main, quenlo::kNameEdit);
    report.check("hand over: name fills the edit under the About box",
                 shown == setup.work + L"\\over about.txt", L"edit holds " + shown);
    post_click(about, IDOK);
    wait_until([&] { return !IsWindow(about); });
  }
}

}  // namespace

void check_instances(const Setup& setup) {
  Report& report = setup.report;
  check_command_line_names(setup);

  const std::wstring elsewhere = setup.work + L"\\elsewhere";
  const std::wstring renamed = setup.work + L"\\renamed";
  const bool copied = copy_program(setup.program, elsewhere, L"Quenlo32.exe") &&
                      copy_program(setup.program, renamed, L"QuenloTwin.exe");
  if (!report.check("instances: copies of the program made", copied)) return;

  Session first(setup.program);
  if (!report.check("instances: first start runs", first.ready())) return;
  report.check("instances: second start of the same file refused", refused(setup.program));
  report.check("instances: same file name in another folder refused",
               refused(elsewhere + L"\\Quenlo32.exe"));
  {
    Session twin(renamed + L"\\QuenloTwin.exe");
    report.check("instances: copy under another file name runs beside it", twin.ready());
    if (twin.ready()) {
      check_hand_over(setup, first, twin.main());
      const std::wstring twin_name = item_text(twin.main(), quenlo::kNameEdit);
      report.check("hand over: the copy under another file name gets nothing",
                   twin_name.empty(), L"its edit holds " + twin_name);
      twin.exit();
    }
  }
  report.check("instances: first copy still runs",
               first.process().running() && IsWindowVisible(first.main()));
  first.exit();

  Session again(setup.program);
  report.check("instances: a new start works after the first has ended", again.ready());
  if (again.ready()) again.exit();
}
