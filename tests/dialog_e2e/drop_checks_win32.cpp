#include <vector>

#include "checks_win32.h"
#include "drop_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "windows_win32.h"

void check_drop(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("drop: main dialog appears", session.ready())) return;
  const HWND main = session.main();

  const std::wstring first = setup.work + L"\\dropped-one.txt";
  const std::wstring second = setup.work + L"\\dropped-two.txt";
  write_bytes(first, "1\n");
  write_bytes(second, "2\n");

  // Too long to join with the first within the program's 516-byte buffer;
  // the drop need not name an existing file.
  const std::wstring too_long = setup.work + L"\\" + std::wstring(480, L'x') + L".txt";

  const std::wstring typed = L"typed before the drop";
  struct DropCase {
    const char* label;
    std::vector<std::wstring> files;
    std::wstring expected;
    bool told;  // the name error comes for a name left out
  };
  const DropCase drops[] = {
      {"drop one file: its full path replaces the edit", {first}, first, false},
      {"drop two files: both paths joined", {first, second}, first + second, false},
      {"drop names past the buffer: those that do not fit are left out",
       {first, too_long, second}, first + second, true},
      {"drop one name past the buffer: the edit keeps its text", {too_long + too_long}, typed,
       true},
  };
  for (const DropCase& drop : drops) {
    set_item_text(main, quenlo::kNameEdit, typed);
    std::wstring shown;
    const RemoteDrop handle(session.process().handle(), drop.files);
    const bool posted = handle.post(main);
    const bool filled = posted && wait_until([&] {
      shown = item_text(main, quenlo::kNameEdit);
      return shown == drop.expected;
    }, 5000);
    report.check(drop.label, filled,
                 posted ? L"edit holds " + shown : L"the drop could not be posted");
    if (!drop.told) continue;
    const MessageBoxSeen seen = session.take_message_box();
    report.check(std::string(drop.label) + ": name error",
                 shows(seen, quenlo::kErrorCaption, quenlo::kBadName) &&
                     item_text(main, quenlo::kNameEdit) == drop.expected,
                 describe(seen));
  }

  // The joined names are searched for as one name, which does not exist.
  const MessageBoxSeen seen = session.convert(first + second);
  report.check("drop two files then convert: joined name not found",
               shows(seen, quenlo::kErrorCaption, quenlo::kNotFound), describe(seen));
  session.exit();
}
