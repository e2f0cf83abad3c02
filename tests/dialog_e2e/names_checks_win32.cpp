#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checks_win32.h"
#include "drop_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

namespace {

const std::string kBefore = "a\r\nb\rc\n";
const std::string kAfter = "a\nb\nc\n";  // converted to LF
const std::string kNeighbour = "not this one\r\n";

// The form that every file function takes whatever the path's length, for
// the files the checks make and read.
std::wstring extended(const std::wstring& path) { return L"\\\\?\\" + path; }

struct NameCase {
  const char* label;
  std::wstring file;
  std::wstring neighbour;  // a file beside it that must stay untouched
};

// Converts `c.file` after giving its name to the dialog by `give`.
void convert_named(const Setup& setup, const Session& session, const NameCase& c,
                   const std::string& how, const std::function<bool()>& give) {
  Report& report = setup.report;
  const std::string label = std::string("names ") + c.label + ", " + how;
  write_bytes(extended(c.file), kBefore);
  if (!c.neighbour.empty()) write_bytes(extended(c.neighbour), kNeighbour);
  if (!report.check(label + ": name in the edit", give(),
                    L"edit holds " + item_text(session.main(), quenlo::kNameEdit))) {
    return;
  }
  post_click(session.main(), quenlo::kConvert);
  const MessageBoxSeen seen = session.take_message_box();
  report.check(label + ": completion box", shows(seen, quenlo::kDoneCaption, quenlo::kDone),
               describe(seen));
  report.check(label + ": that file converted", read_bytes(extended(c.file)) == kAfter);
  report.check(label + ": no backup left", !exists(extended(c.file + L".bak")));
  if (!c.neighbour.empty()) {
    report.check(label + ": the file beside it untouched",
                 read_bytes(extended(c.neighbour)) == kNeighbour);
  }
}

}  // namespace

// Names that code page 932 lacks, or cannot tell from another name, and a
// full path beyond the classic limit: typed and dropped, each converts
// exactly the named file.
void check_names(const Setup& setup) {
  Report& report = setup.report;
  const std::wstring folder = setup.work + L"\\names";
  const std::wstring deep = folder + L"\\" + std::wstring(140, L'd') + L"\\" +
                            std::wstring(140, L'e');
  make_folder(folder);
  make_folder(extended(folder + L"\\" + std::wstring(140, L'd')));
  make_folder(extended(deep));

  const NameCase cases[] = {
      {"caf\xc3\xa9.txt beside cafe.txt", folder + widen("\\caf\xc3\xa9.txt"),
       folder + L"\\cafe.txt"},
      {"price\xc2\xa5" "100.txt", folder + widen("\\price\xc2\xa5" "100.txt"), L""},
      {"Korean", folder + widen("\\\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4.txt"), L""},
      {"emoji", folder + widen("\\\xf0\x9f\x98\x80memo.txt"), L""},
      {"beyond the BMP", folder + widen("\\\xf0\xa0\xae\xb7\xe9\x87\x8e\xe5\xae\xb6.txt"), L""},
      {"full path over 300 characters", deep + L"\\long name.txt", L""},
  };
  report.check("names: the long path is over 300 characters", cases[5].file.size() > 300);

  Session session(setup.program);
  if (!report.check("names: main dialog appears", session.ready())) return;
  const HWND main = session.main();
  DWORD_PTR result = 0;
  SendMessageTimeoutW(GetDlgItem(main, quenlo::kLf), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                      &result);
  for (const NameCase& c : cases) {
    convert_named(setup, session, c, "typed", [&] {
      return set_item_text(main, quenlo::kNameEdit, c.file) &&
             item_text(main, quenlo::kNameEdit) == c.file;
    });
    convert_named(setup, session, c, "dropped", [&] {
      set_item_text(main, quenlo::kNameEdit, L"");
      const RemoteDrop drop(session.process().handle(), {c.file});
      return drop.post(main) &&
             wait_until([&] { return item_text(main, quenlo::kNameEdit) == c.file; }, 5000);
    });
  }
  // As Explorer's "Copy as path" gives it, with spaces around.
  const std::wstring quoted = L"  \"" + cases[0].file + L"\" ";
  convert_named(setup, session, cases[0], "typed in quotes", [&] {
    return set_item_text(main, quenlo::kNameEdit, quoted) &&
           item_text(main, quenlo::kNameEdit) == quoted;
  });
  session.exit();
}
