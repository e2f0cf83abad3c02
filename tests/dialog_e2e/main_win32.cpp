// End-to-end driver: starts Quenlo32.exe and works it through window
// messages. Usage:
//   quenlo_dialog_e2e <Quenlo32.exe> [work folder]
//   quenlo_dialog_e2e --pose main|about <Quenlo32.exe> <done file>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "checks_win32.h"
#include "files_win32.h"
#include "pose_win32.h"
#include "report.h"

namespace {

std::wstring default_work_folder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp) + L"quenlo-e2e";
}

struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

std::vector<std::wstring> arguments() {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreer> args(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> list;
  for (int i = 1; args && i < count; ++i) list.emplace_back(args.get()[i]);
  return list;
}

}  // namespace

int main() {
  const std::vector<std::wstring> args = arguments();
  if (args.empty()) {
    std::printf("usage: quenlo_dialog_e2e <Quenlo32.exe> [work folder]\n"
                "       quenlo_dialog_e2e --pose main|about <Quenlo32.exe> <done file>\n");
    return 2;
  }
  if (args[0] == L"--pose" && args.size() == 4) {
    return pose(full_path(args[2]), args[1] == L"about", args[3]);
  }
  const std::wstring program = full_path(args[0]);
  const std::wstring work = full_path(args.size() > 1 ? args[1] : default_work_folder());

  remove_tree(work);
  if (!make_folder(work)) {
    std::printf("cannot create the work folder\n");
    return 2;
  }

  Report report;
  const Setup setup{program, work, report};
  check_start_state(setup);
  check_conversions(setup);
  check_refusals(setup);
  check_about_box(setup);
  check_browse(setup);
  check_drop(setup);
  check_names(setup);
  check_instances(setup);

  std::printf("%d passed, %d failed\n", report.passes(), report.failures());
  remove_tree(work);
  return report.failures() == 0 ? 0 : 1;
}
