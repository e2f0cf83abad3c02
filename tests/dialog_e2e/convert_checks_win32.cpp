#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "checks_win32.h"
#include "drop_win32.h"
#include "files_win32.h"
#include "process_win32.h"
#include "quenlo_win32.h"
#include "text_win32.h"
#include "throttle_win32.h"
#include "windows_win32.h"

namespace {

// Every kind of break, a LF CR pair (two breaks), a break at the very end,
// and bytes that must pass through untouched.
const std::string kInput = "one\r\ntwo\rthree\nfour\r\n\r\nfive\n\rsix\x1a\xff\r";
// A NUL byte: the program asks before it converts byte by byte.
const std::string kBinary = std::string("a\r\nb\x00\rc\n", 8);
// UTF-16LE with its mark: 上, CR LF, 」, 不 (whose low byte is a CR) and a
// lone CR, converted by code unit.
const std::string kUtf16 =
    std::string("\xff\xfe\x0a\x4e\x0d\x00\x0a\x00\x0d\x30\x0d\x4e\x0d\x00", 14);

// What another program does to the file while the NUL question is up.
enum class Meanwhile { kNothing, kSavedAsUtf16, kDeleted };

struct ConversionCase {
  const char* label;
  int radio;
  bool keep;
  bool stale_backup;  // an old ".bak" lies beside the file beforehand
  int answer;         // to the question about a NUL byte; 0 when none comes
  const std::string& input;
  std::string expected;  // the bytes afterwards; no file at all after kDeleted
  Meanwhile meanwhile = Meanwhile::kNothing;
};

const ConversionCase kConversions[] = {
    {"CR+LF, backup removed", quenlo::kCrLf, false, false, 0, kInput,
     "one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive\r\n\r\nsix\x1a\xff\r\n"},
    {"LF, stale backup removed", quenlo::kLf, false, true, 0, kInput,
     "one\ntwo\nthree\nfour\n\nfive\n\nsix\x1a\xff\n"},
    {"CR, backup kept", quenlo::kCr, true, true, 0, kInput,
     "one\rtwo\rthree\rfour\r\rfive\r\rsix\x1a\xff\r"},
    {"CR+LF, backup kept", quenlo::kCrLf, true, false, 0, kInput,
     "one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive\r\n\r\nsix\x1a\xff\r\n"},
    {"NUL byte, answered no", quenlo::kLf, true, false, IDNO, kBinary, kBinary},
    {"NUL byte, answered yes", quenlo::kCrLf, true, true, IDYES, kBinary,
     std::string("a\r\nb\x00\r\nc\r\n", 10)},
    {"UTF-16LE", quenlo::kLf, false, false, 0, kUtf16,
     std::string("\xff\xfe\x0a\x4e\x0a\x00\x0d\x30\x0d\x4e\x0a\x00", 12)},
    // Yes converts only the file it asked about.
    {"NUL byte, saved as UTF-16 meanwhile, yes", quenlo::kLf, false, false, IDYES, kBinary,
     kUtf16, Meanwhile::kSavedAsUtf16},
    {"NUL byte, deleted meanwhile, yes", quenlo::kLf, false, false, IDYES, kBinary,
     "", Meanwhile::kDeleted},
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

  write_bytes(file, c.input);
  if (c.stale_backup) write_bytes(backup, "stale");
  click_button(main, c.radio);
  if (is_checked(main, quenlo::kKeep) != c.keep) click_button(main, quenlo::kKeep);
  if (!report.check(label + ": options set",
                    only_checked(main, c.radio) && is_checked(main, quenlo::kKeep) == c.keep)) {
    return;
  }

  set_item_text(main, quenlo::kNameEdit, file);
  post_click(main, quenlo::kConvert);
  if (c.answer) {
    MessageBoxSeen question;
    answer_question(session, c.answer, &question, [&] {
      if (c.meanwhile == Meanwhile::kSavedAsUtf16) write_bytes(file, kUtf16);
      if (c.meanwhile == Meanwhile::kDeleted) DeleteFileW(file.c_str());
    });
    report.check(label + ": asks first, no as the default",
                 shows(question, quenlo::kQuestionCaption, quenlo::kAskBytes) &&
                     question.default_button == IDNO,
                 describe(question) + L", default " + std::to_wstring(question.default_button));
  }
  const bool converts = c.answer != IDNO && c.meanwhile == Meanwhile::kNothing;
  if (converts) {
    const MessageBoxSeen seen = session.take_message_box();
    report.check(label + ": completion box", shows(seen, quenlo::kDoneCaption, quenlo::kDone),
                 describe(seen));
  } else if (c.meanwhile != Meanwhile::kNothing) {
    const MessageBoxSeen seen = session.take_message_box();
    report.check(label + ": error box",
                 shows(seen, quenlo::kErrorCaption,
                       c.meanwhile == Meanwhile::kDeleted ? quenlo::kNotFound : quenlo::kChanged),
                 describe(seen));
  } else {
    const HWND more = wait_for(
        [&] { return find_other_dialog(session.pid(), {main, session.busy_window()}); },
        kSettleMs);
    report.check(label + ": nothing more shown", !more, L"shown " + text_of(more));
  }
  const std::optional<std::string> converted = read_bytes(file);
  report.check(label + ": file bytes",
               c.meanwhile == Meanwhile::kDeleted ? !converted : converted == c.expected,
               bytes_detail(converted));
  if (c.keep && converts) {
    const std::optional<std::string> kept = read_bytes(backup);
    report.check(label + ": backup holds the former bytes", kept == c.input,
                 bytes_detail(kept));
  } else {
    report.check(label + ": no backup left", !exists(backup));
  }
  report.check(label + ": no work file left", !exists(file + L".~ql"));
  report.check(label + ": controls keep their settings",
               item_text(main, quenlo::kNameEdit) == file && only_checked(main, c.radio) &&
                   is_checked(main, quenlo::kKeep) == c.keep,
               L"edit holds " + item_text(main, quenlo::kNameEdit));
}

// A conversion of 256 MiB, slowed down to seconds: long enough to see that
// the dialog keeps answering, that the progress bar moves, and to cancel it.
constexpr int kBigCopies = 4096;  // of a 64 KiB block
constexpr DWORD kAnswerMs = 1000;
constexpr DWORD kWorkerRunMs = 10;  // of every round of about 100 ms

std::string big_block() {
  std::string line(62, 'x');
  line += "\r\n";
  std::string block;
  while (block.size() < 64 * 1024) block += line;
  return block;
}

struct Watch {
  bool busy_shown = false;
  bool controls_disabled = true;  // while the busy window shows
  DWORD slowest_answer_ms = 0;
  int unanswered = 0;
  std::vector<int> positions;  // of the progress bar, as they changed
  ULONGLONG duration_ms = 0;
  HWND box = nullptr;          // the dialog that ended the watch
};

// Watches the dialog until a window other than the main one and the busy
// window appears (a message box), pinging the main window ten times a
// second. `step` runs on every round and may act on the program.
// The conversion is started here, after the throttle has seen the threads
// that run before it.
Watch watch_conversion(const Session& session, const std::function<void(const Watch&)>& step) {
  Watch watch;
  const HWND main = session.main();
  const HWND busy = session.busy_window();
  Throttle throttle(session.pid(), GetWindowThreadProcessId(main, nullptr));
  post_click(main, quenlo::kConvert);
  const HWND bar = GetDlgItem(busy, quenlo::kBusyProgress);
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG end = start + 4 * kWaitMs;
  while (GetTickCount64() < end) {
    const bool shown = IsWindowVisible(busy);
    watch.busy_shown = watch.busy_shown || shown;
    if (shown) {
      for (int id : {quenlo::kNameEdit, quenlo::kConvert, quenlo::kExit, quenlo::kLf})
        watch.controls_disabled = watch.controls_disabled && !IsWindowEnabled(GetDlgItem(main, id));
      const ULONGLONG asked = GetTickCount64();
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result)) {
        watch.slowest_answer_ms =
            std::max(watch.slowest_answer_ms, static_cast<DWORD>(GetTickCount64() - asked));
      } else {
        ++watch.unanswered;
      }
      DWORD_PTR position = 0;
      if (SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &position) &&
          (watch.positions.empty() || watch.positions.back() != static_cast<int>(position))) {
        watch.positions.push_back(static_cast<int>(position));
      }
      watch.duration_ms = GetTickCount64() - start;
    }
    watch.box = find_other_dialog(session.pid(), {main, busy});
    if (watch.box && message_box_text(watch.box) != widen(quenlo::kAskCancel)) break;
    step(watch);
    throttle.Step(kWorkerRunMs);
    Sleep(90);
  }
  return watch;
}

bool progress_moved(const Watch& watch) {
  if (watch.positions.size() < 3) return false;
  for (std::size_t i = 1; i < watch.positions.size(); ++i) {
    if (watch.positions[i] < watch.positions[i - 1]) return false;
  }
  return true;
}

std::wstring positions_detail(const Watch& watch) {
  std::wstring out = L"positions";
  for (int position : watch.positions) out += L" " + std::to_wstring(position);
  return out;
}

void check_unchanged(Report& report, const std::string& label, const std::wstring& file,
                     const std::string& block) {
  report.check(label + ": file byte-identical", holds_repeated(file, block, kBigCopies));
  const std::vector<std::wstring> names = names_in(folder_of(file), L"big.txt*");
  std::wstring listed;
  for (const std::wstring& name : names) listed += L" " + name;
  report.check(label + ": no backup or work file left", names.size() == 1,
               L"found" + listed);
}

// Cancel with the busy window's button, then close during a conversion
// (the question answered yes): both leave the file as it was.
void check_cancel(const Setup& setup, const std::wstring& file, const std::string& block) {
  Report& report = setup.report;
  {
    Session session(setup.program);
    if (!report.check("cancel: main dialog appears", session.ready())) return;
    click_button(session.main(), quenlo::kLf);
    set_item_text(session.main(), quenlo::kNameEdit, file);
    bool clicked = false;
    const Watch watch = watch_conversion(session, [&](const Watch& w) {
      if (!clicked && !w.positions.empty() && w.positions.back() >= 20) {
        post_click(session.busy_window(), quenlo::kBusyCancel);
        clicked = true;
      }
    });
    report.check("cancel: main dialog's controls disabled while converting",
                 watch.busy_shown && watch.controls_disabled);
    const MessageBoxSeen seen = session.take_message_box();
    report.check("cancel: says the file was left as it was",
                 clicked && shows(seen, quenlo::kCancelledCaption, quenlo::kCancelled),
                 describe(seen));
    report.check("cancel: controls enabled again, busy window hidden",
                 IsWindowEnabled(GetDlgItem(session.main(), quenlo::kConvert)) &&
                     !IsWindowVisible(session.busy_window()));
    check_unchanged(report, "cancel", file, block);

    // Among several files, the cancel leaves the file in progress as it
    // was; the one done before it stays converted.
    const std::wstring small = folder_of(file) + L"\\small.txt";
    write_bytes(small, "s\r\n");
    set_item_text(session.main(), quenlo::kNameEdit, L"\"" + small + L"\" \"" + file + L"\"");
    bool cancelled = false;
    std::wstring name;
    watch_conversion(session, [&](const Watch& w) {
      if (cancelled || w.positions.empty() || w.positions.back() < 20 ||
          item_text(session.busy_window(), quenlo::kBusyCount) != widen("2 / 2 ﾌｧｲﾙ目")) {
        return;
      }
      name = item_text(session.busy_window(), quenlo::kBusyName);
      post_click(session.busy_window(), quenlo::kBusyCancel);
      cancelled = true;
    });
    report.check("cancel several: the busy window shows the file of how many, and its name",
                 cancelled && name == file, L"name shown " + name);
    const MessageBoxSeen summary = session.take_message_box();
    report.check("cancel several: one summary, the file done counted",
                 summary.caption == widen(quenlo::kCancelledCaption) &&
                     summary.text == widen(quenlo::kSummaryCancelled) + quenlo::summary(1, 0, 0, 0),
                 describe(summary));
    report.check("cancel several: the file done stays converted",
                 read_bytes(small) == std::string("s\n"));
    DeleteFileW(small.c_str());
    check_unchanged(report, "cancel several", file, block);
    session.exit();
  }

  Session session(setup.program);
  if (!report.check("close while converting: main dialog appears", session.ready())) return;
  click_button(session.main(), quenlo::kLf);
  set_item_text(session.main(), quenlo::kNameEdit, file);
  bool asked = false;
  MessageBoxSeen question;
  watch_conversion(session, [&](const Watch& w) {
    if (asked || w.positions.empty() || w.positions.back() < 20) return;
    PostMessageW(session.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    asked = answer_question(session, IDYES, &question);
  });
  report.check("close while converting: asks first",
               shows(question, quenlo::kQuestionCaption, quenlo::kAskCancel),
               describe(question));
  const MessageBoxSeen seen = session.take_message_box();
  report.check("close while converting: says the file was left as it was",
               shows(seen, quenlo::kCancelledCaption, quenlo::kCancelled), describe(seen));
  report.check("close while converting: program ends",
               session.process().wait_exit(kWaitMs));
  check_unchanged(report, "close while converting", file, block);
}

// A whole conversion of the big file, with the close question answered no
// on the way, from the main window and then from the busy window (Alt+F4),
// a name handed over by a second start and then a file dropped: the dialog
// answers throughout, the progress bar moves, and the names wait for the
// result, the last one given filling the edit.
void check_responsive(const Setup& setup, Session& session, const std::wstring& file) {
  Report& report = setup.report;
  click_button(session.main(), quenlo::kLf);
  if (is_checked(session.main(), quenlo::kKeep)) click_button(session.main(), quenlo::kKeep);
  set_item_text(session.main(), quenlo::kNameEdit, file);
  const std::wstring handed = setup.work + L"\\handed meanwhile.txt";
  const std::wstring dropped = setup.work + L"\\dropped meanwhile.txt";
  bool asked = false, busy_asked = false, busy_kept = false, handed_over = false;
  MessageBoxSeen question, busy_question;
  std::wstring edit_meanwhile, edit_after_drop;
  // Read by the program until the drop is handled, which is after the result.
  std::unique_ptr<RemoteDrop> drop;
  const Watch watch = watch_conversion(session, [&](const Watch& w) {
    const int at = w.positions.empty() ? 0 : w.positions.back();
    if (!asked && at >= 100) {
      PostMessageW(session.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
      asked = answer_question(session, IDNO, &question);
    } else if (asked && !busy_asked && at >= 200) {
      PostMessageW(session.busy_window(), WM_SYSCOMMAND, SC_CLOSE, 0);
      busy_asked = answer_question(session, IDNO, &busy_question);
      busy_kept = IsWindowVisible(session.busy_window()) != FALSE;
    } else if (busy_asked && !handed_over && at >= 300) {
      Process second(setup.program, L"\"" + handed + L"\"");
      handed_over = second.wait_exit(kWaitMs);
      edit_meanwhile = item_text(session.main(), quenlo::kNameEdit);
    } else if (handed_over && !drop && at >= 400) {
      drop = std::make_unique<RemoteDrop>(session.process().handle(),
                                          std::vector<std::wstring>{dropped});
      drop->post(session.main());
      Sleep(kSettleMs);
      edit_after_drop = item_text(session.main(), quenlo::kNameEdit);
    }
  });
  report.check("long conversion: busy window shown, main dialog's controls disabled",
               watch.busy_shown && watch.controls_disabled);
  const std::string measured = " (" + std::to_string(watch.duration_ms) + " ms, slowest answer " +
                              std::to_string(watch.slowest_answer_ms) + " ms, " +
                              std::to_string(watch.positions.size()) + " bar positions)";
  report.check("long conversion: lasts seconds" + measured, watch.duration_ms >= 2000);
  report.check("long conversion: main window answers within a second throughout",
               watch.unanswered == 0 && watch.slowest_answer_ms < kAnswerMs,
               std::to_wstring(watch.unanswered) + L" unanswered, slowest " +
                   std::to_wstring(watch.slowest_answer_ms) + L" ms");
  report.check("long conversion: progress bar advances", progress_moved(watch),
               positions_detail(watch));
  report.check("long conversion: close asks first, no goes on",
               shows(question, quenlo::kQuestionCaption, quenlo::kAskCancel) &&
                   session.process().running(),
               describe(question));
  report.check("long conversion: the busy window's close asks too, no goes on",
               shows(busy_question, quenlo::kQuestionCaption, quenlo::kAskCancel) && busy_kept,
               describe(busy_question));
  report.check("long conversion: a name handed over meanwhile waits",
               handed_over && edit_meanwhile == file, L"edit holds " + edit_meanwhile);
  report.check("long conversion: a file dropped meanwhile waits",
               drop && edit_after_drop == file, L"edit holds " + edit_after_drop);
  const MessageBoxSeen seen = session.take_message_box();
  report.check("long conversion: completion box",
               shows(seen, quenlo::kDoneCaption, quenlo::kDone), describe(seen));
  std::wstring edit_after;
  report.check("long conversion: the dropped name fills the edit after the result",
               wait_until([&] {
                 edit_after = item_text(session.main(), quenlo::kNameEdit);
                 return edit_after == dropped;
               }, 5000),
               L"edit holds " + edit_after);
  report.check("long conversion: busy window hidden, controls enabled",
               !IsWindowVisible(session.busy_window()) &&
                   IsWindowEnabled(GetDlgItem(session.main(), quenlo::kConvert)));
  const long long lines = 64LL * 1024 * kBigCopies / 64;
  report.check("long conversion: file converted", file_size(file) == lines * 63,
               L"size " + std::to_wstring(file_size(file)));
  report.check("long conversion: no backup or work file left",
               names_in(folder_of(file), L"big.txt*").size() == 1);
}

}  // namespace

void check_conversions(const Setup& setup) {
  const std::wstring folder = setup.work + L"\\big";
  const std::wstring big = folder + L"\\big.txt";
  const std::string block = big_block();
  const bool made = make_folder(folder) && write_repeated(big, block, kBigCopies);
  if (made) check_cancel(setup, big, block);

  Session session(setup.program);
  if (!setup.report.check("convert: main dialog appears", session.ready())) return;
  for (int i = 0; i < static_cast<int>(std::size(kConversions)); ++i) {
    run_conversion(setup, session, i);
  }
  if (setup.report.check("long conversion: a 256 MiB file made", made)) {
    check_responsive(setup, session, big);
  }
  DeleteFileW(big.c_str());
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
    const char* text;  // of the error box; none for a folder, which is asked about
  };
  const Refusal refusals[] = {
      {"empty name", L"", quenlo::kBadName},
      {"missing file", setup.work + L"\\missing.txt", quenlo::kNotFound},
      {"plain folder", folder, nullptr},
      {"plain folder with a trailing backslash", folder + L"\\", nullptr},
      {"wildcard name", setup.work + L"\\pattern-*.txt", quenlo::kBadName},
  };
  for (const Refusal& refusal : refusals) {
    const std::string label = std::string("refuse ") + refusal.label;
    set_item_text(session.main(), quenlo::kNameEdit, refusal.name);
    post_click(session.main(), quenlo::kConvert);
    if (refusal.text) {
      const MessageBoxSeen seen = session.take_message_box();
      report.check(label + ": error box", shows(seen, quenlo::kErrorCaption, refusal.text),
                   describe(seen));
    } else {
      MessageBoxSeen question;
      answer_question(session, IDNO, &question);
      report.check(label + ": asks about the folder, no as the default; no converts nothing",
                   question.text == quenlo::folder_question(folder) &&
                       question.default_button == IDNO && question.dismissed &&
                       !wait_for([&] {
                         return find_other_dialog(session.pid(),
                                                  {session.main(), session.busy_window()});
                       }, kSettleMs),
                   describe(question));
    }
    report.check(label + ": name stays in the edit",
                 item_text(session.main(), quenlo::kNameEdit) == refusal.name);
  }
  report.check("refuse: nothing converted through a wildcard",
               read_bytes(matched) == std::string("a\nb\n") &&
                   !exists(matched + L".bak"));
  session.exit();
}
