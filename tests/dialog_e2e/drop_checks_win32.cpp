#include <windows.h>

#include <string>
#include <vector>

#include "checks_win32.h"
#include "drop_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

namespace {

std::wstring quoted(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (const std::wstring& name : names) text += (text.empty() ? L"\"" : L" \"") + name + L"\"";
  return text;
}

// Converts what the edit holds; returns the one message box at the end.
MessageBoxSeen convert_all(const Session& session) {
  post_click(session.main(), quenlo::kConvert);
  return session.take_message_box();
}

// A dropped folder: asked about first, answered no and then yes; the run
// converts the text files under it and skips a hidden and a binary file.
void check_folder_drop(const Setup& setup, Session& session) {
  Report& report = setup.report;
  const HWND main = session.main();
  const std::wstring folder = setup.work + L"\\dropped folder";
  make_folder(folder);
  make_folder(folder + L"\\sub");
  write_bytes(folder + L"\\a.txt", "a\n");
  write_bytes(folder + L"\\sub\\b.txt", "b\r");
  write_bytes(folder + L"\\hidden.txt", "h\n");
  SetFileAttributesW((folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  write_bytes(folder + L"\\binary.dat", std::string("x\n\0", 3));
  const RemoteDrop drop(session.process().handle(), {folder});
  report.check("drop a folder: its path in the edit",
               drop.post(main) &&
                   wait_until([&] { return item_text(main, quenlo::kNameEdit) == folder; }, 5000));
  for (int answer : {IDNO, IDYES}) {
    const std::string label = answer == IDNO ? "drop a folder, no" : "drop a folder, yes";
    post_click(main, quenlo::kConvert);
    MessageBoxSeen question;
    answer_question(session, answer, &question);
    report.check(label + ": asks, naming the folder, no as the default",
                 question.text == quenlo::folder_question(folder) &&
                     question.default_button == IDNO,
                 describe(question));
    const bool converts = answer == IDYES;
    if (converts) {
      const MessageBoxSeen seen = session.take_message_box();
      report.check(label + ": one summary, the binary file skipped",
                   seen.caption == widen(quenlo::kDoneCaption) &&
                       seen.text == quenlo::summary(2, 0, 1, 0),
                   describe(seen));
    }
    report.check(label + ": text files converted only after yes",
                 read_bytes(folder + L"\\a.txt") == std::string(converts ? "a\r\n" : "a\n") &&
                     read_bytes(folder + L"\\sub\\b.txt") ==
                         std::string(converts ? "b\r\n" : "b\r"));
  }
  report.check("drop a folder: hidden and binary files untouched",
               read_bytes(folder + L"\\hidden.txt") == std::string("h\n") &&
                   read_bytes(folder + L"\\binary.dat") == std::string("x\n\0", 3));
}

}  // namespace

void check_drop(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("drop: main dialog appears", session.ready())) return;
  const HWND main = session.main();

  const std::wstring first = setup.work + L"\\dropped-one.txt";
  const std::wstring second = setup.work + L"\\dropped two.txt";
  write_bytes(first, "1\n");
  write_bytes(second, "2\n");

  // Too long for the program's 516-byte name buffer; the drop need not
  // name an existing file.
  const std::wstring too_long = setup.work + L"\\" + std::wstring(520, L'x') + L".txt";
  // Names that fit one by one, but together more than the edit takes.
  std::vector<std::wstring> too_many;
  for (int i = 0; i < 300; ++i) too_many.push_back(setup.work + L"\\" + std::wstring(240, L'm'));

  const std::wstring typed = L"typed before the drop";
  struct DropCase {
    const char* label;
    std::vector<std::wstring> files;
    std::wstring expected;
    const char* told;  // the error that comes, if any
  };
  const DropCase drops[] = {
      {"drop one file: its full path replaces the edit", {first}, first, nullptr},
      {"drop names past the buffer: those that do not fit are left out",
       {first, too_long, second}, quoted({first, second}), quenlo::kBadName},
      {"drop one name past the buffer: the edit keeps its text", {too_long + too_long}, typed,
       quenlo::kBadName},
      {"drop names past the edit's limit: refused whole", too_many, typed, quenlo::kTooManyNames},
      {"drop two files: both paths quoted", {first, second}, quoted({first, second}), nullptr},
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
    report.check(std::string(drop.label) + ": told",
                 shows(seen, quenlo::kErrorCaption, drop.told) &&
                     item_text(main, quenlo::kNameEdit) == drop.expected,
                 describe(seen));
  }

  // The two dropped files are both converted, with one message.
  MessageBoxSeen seen = convert_all(session);
  report.check("drop two files then convert: one summary",
               seen.caption == widen(quenlo::kDoneCaption) &&
                   seen.text == quenlo::summary(2, 0, 0, 0),
               describe(seen));
  report.check("drop two files then convert: both converted",
               read_bytes(first) == std::string("1\r\n") &&
                   read_bytes(second) == std::string("2\r\n"));

  // One name of several fails: the summary names it, the others convert,
  // and a binary file among them is skipped without the question.
  const std::wstring missing = setup.work + L"\\not there.txt";
  const std::wstring binary = setup.work + L"\\named binary.dat";
  write_bytes(first, "1\n");
  write_bytes(binary, std::string("b\n\0", 3));
  set_item_text(main, quenlo::kNameEdit, quoted({first, missing, binary, second}));
  seen = convert_all(session);
  report.check("several names, one missing: the summary names it, error caption",
               seen.caption == widen(quenlo::kErrorCaption) &&
                   seen.text == quenlo::summary(1, 1, 1, 1) + widen(quenlo::kSummaryFailed) +
                                    L"\n" + missing + L"\n    " + widen(quenlo::kNotFound),
               describe(seen));
  report.check("several names, one missing: the others converted, the binary one untouched",
               read_bytes(first) == std::string("1\r\n") &&
                   read_bytes(binary) == std::string("b\n\0", 3));

  check_folder_drop(setup, session);
  session.exit();
}
