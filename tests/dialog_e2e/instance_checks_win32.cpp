#include "checks_win32.h"
#include "files_win32.h"
#include "process_win32.h"
#include "quenlo_win32.h"
#include "windows_win32.h"

namespace {

// A refused start ends by itself without ever showing a window.
bool refused(const std::wstring& program) {
  Process process(program);
  if (!process.started()) return false;
  bool shown = false;
  const bool ended = wait_until([&] {
    for (HWND window : top_windows(process.pid())) shown = shown || IsWindowVisible(window);
    return !process.running();
  });
  return ended && !shown;
}

}  // namespace

void check_instances(const Setup& setup) {
  Report& report = setup.report;
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
    if (twin.ready()) twin.exit();
  }
  report.check("instances: first copy still runs",
               first.process().running() && IsWindowVisible(first.main()));
  first.exit();

  Session again(setup.program);
  report.check("instances: a new start works after the first has ended", again.ready());
  if (again.ready()) again.exit();
}
