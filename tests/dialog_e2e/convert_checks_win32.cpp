#include <iterator>
#include <optional>

#include "checks_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "windows_win32.h"

namespace {

// Every kind of break, a LF CR pair (two breaks), a break at the very end,
// and bytes that must pass through untouched.
const std::string kInput = std::string("one\r\ntwo\rthree\nfour\r\n\r\nfive\n\rsix") +
                           std::string("\x00\x1a\xff", 3) + "\r";

struct ConversionCase {
  const char* label;
  int radio;
  bool keep;
  bool stale_backup;  // an old ".bak" lies beside the file beforehand
  std::string expected;
};

const ConversionCase kConversions[] = {
    {"CR+LF, backup removed", quenlo::kCrLf, false, false,
     std::string("one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive\r\n\r\nsix") +
         std::string("\x00\x1a\xff", 3) + "\r\n"},
    {"LF, stale backup removed", quenlo::kLf, false, true,
     std::string("one\ntwo\nthree\nfour\n\nfive\n\nsix") +
         std::string("\x00\x1a\xff", 3) + "\n"},
    {"CR, backup kept", quenlo::kCr, true, true,
     std::string("one\rtwo\rthree\rfour\r\rfive\r\rsix") +
         std::string("\x00\x1a\xff", 3) + "\r"},
    {"CR+LF, backup kept", quenlo::kCrLf, true, false,
     std::string("one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive\r\n\r\nsix") +
         std::string("\x00\x1a\xff", 3) + "\r\n"},
};

// Sets a button through a click, as the user would.
void click_button(HWND main, int id) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(GetDlgItem(main, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                      &result);
}

bool only_checked(HWND main, int radio) {
  for (int id : {quenlo::kCrLf, quenlo::kLf, quenlo::kCr}) {
    if (is_checked(main, id) != (id == radio)) return false;
  }
  return true;
}

std::wstring bytes_detail(const std::optional<std::string>& bytes) {
  if (!bytes) return L"file missing";
  std::wstring out = L"got";
  for (unsigned char c : *bytes) {
    wchar_t hex[4];
    wsprintfW(hex, L" %02x", c);
    out += hex;
  }
  return out;
}

void run_conversion(const Setup& setup, const Session& session, int index) {
  const ConversionCase& c = kConversions[index];
  Report& report = setup.report;
  const HWND main = session.main();
  const std::string label = std::string("convert ") + c.label;
  const std::wstring file = setup.work + L"\\convert-" + std::to_wstring(index) + L".txt";
  const std::wstring backup = file + L".bak";

  write_bytes(file, kInput);
  if (c.stale_backup) write_bytes(backup, "stale");
  click_button(main, c.radio);
  if (is_checked(main, quenlo::kKeep) != c.keep) click_button(main, quenlo::kKeep);
  if (!report.check(label + ": options set",
                    only_checked(main, c.radio) && is_checked(main, quenlo::kKeep) == c.keep)) {
    return;
  }

  const MessageBoxSeen seen = session.convert(file);
  report.check(label + ": completion box", shows(seen, quenlo::kDoneCaption, quenlo::kDone),
               describe(seen));
  const std::optional<std::string> converted = read_bytes(file);
  report.check(label + ": file bytes", converted == c.expected, bytes_detail(converted));
  if (c.keep) {
    const std::optional<std::string> kept = read_bytes(backup);
    report.check(label + ": backup holds the former bytes", kept == kInput,
                 bytes_detail(kept));
  } else {
    report.check(label + ": no backup left", !exists(backup));
  }
  report.check(label + ": controls keep their settings",
               item_text(main, quenlo::kNameEdit) == file && only_checked(main, c.radio) &&
                   is_checked(main, quenlo::kKeep) == c.keep,
               L"edit holds " + item_text(main, quenlo::kNameEdit));
}

// A file large enough that the conversion takes a visible moment: the busy
// window must show while it runs and be gone when the completion box is up.
void check_busy_window(const Setup& setup, const Session& session) {
  Report& report = setup.report;
  const HWND main = session.main();
  const HWND busy = session.busy_window();
  const std::wstring file = setup.work + L"\\large.txt";
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "a line of text\n";
  write_bytes(file, text);
  set_item_text(main, quenlo::kNameEdit, file);
  post_click(main, quenlo::kConvert);

  bool shown = false;
  HWND box = nullptr;
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (!box && GetTickCount64() < end) {
    shown = shown || (busy && IsWindowVisible(busy));
    box = find_other_dialog(session.pid(), {main, busy});
  }
  report.check("convert large file: busy window shown while converting", shown);
  report.check("convert large file: busy window hidden again",
               box && busy && !IsWindowVisible(busy));
  const MessageBoxSeen seen = session.take_message_box();
  report.check("convert large file: completion box",
               shows(seen, quenlo::kDoneCaption, quenlo::kDone), describe(seen));
}

}  // namespace

void check_conversions(const Setup& setup) {
  Session session(setup.program);
  if (!setup.report.check("convert: main dialog appears", session.ready())) return;
  for (int i = 0; i < static_cast<int>(std::size(kConversions)); ++i) {
    run_conversion(setup, session, i);
  }
  check_busy_window(setup, session);
  setup.report.check("main dialog: exit button ends the program", session.exit());
}

void check_refusals(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("refuse: main dialog appears", session.ready())) return;

  const std::wstring folder = setup.work + L"\\plain-folder";
  make_folder(folder);
  const std::wstring matched = setup.work + L"\\pattern-match.txt";
  write_bytes(matched, "a\nb\n");

  struct Refusal {
    const char* label;
    std::wstring name;
    const char* text;
  };
  const Refusal refusals[] = {
      {"empty name", L"", quenlo::kBadName},
      {"missing file", setup.work + L"\\missing.txt", quenlo::kNotFound},
      {"plain folder", folder, quenlo::kBadName},
      {"wildcard name", setup.work + L"\\pattern-*.txt", quenlo::kBadName},
  };
  for (const Refusal& refusal : refusals) {
    const std::string label = std::string("refuse ") + refusal.label;
    const MessageBoxSeen seen = session.convert(refusal.name);
    report.check(label + ": error box",
                 shows(seen, quenlo::kErrorCaption, refusal.text), describe(seen));
    report.check(label + ": name stays in the edit",
                 item_text(session.main(), quenlo::kNameEdit) == refusal.name);
  }
  report.check("refuse: nothing converted through a wildcard",
               read_bytes(matched) == std::string("a\nb\n") &&
                   !exists(matched + L".bak"));
  session.exit();
}
