#include <shlobj.h>

#include <vector>

#include "checks_win32.h"
#include "files_win32.h"
#include "quenlo_win32.h"
#include "windows_win32.h"

namespace {

// A drop handle in the program's own memory: Wine does not carry a drop
// handle posted from another process across, so the block the shell would
// build (a DROPFILES header, the names each ended by a zero, one more zero)
// is written straight into the program. The program's DragFinish cannot free
// such a block; it is released here once the drop has been handled.
class RemoteDrop {
 public:
  RemoteDrop(HANDLE process, const std::vector<std::wstring>& files) : process_(process) {
    std::wstring names;
    for (const std::wstring& file : files) names += file + L'\0';
    names += L'\0';
    std::string block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    memcpy(block.data(), &header, sizeof header);
    memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
    memory_ = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                             PAGE_READWRITE);
    SIZE_T written = 0;
    if (memory_ && !(WriteProcessMemory(process, memory_, block.data(), block.size(),
                                        &written) &&
                     written == block.size())) {
      release();
    }
  }
  ~RemoteDrop() { release(); }
  RemoteDrop(const RemoteDrop&) = delete;
  RemoteDrop& operator=(const RemoteDrop&) = delete;

  bool post(HWND target) const {
    return memory_ &&
           PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory_), 0);
  }

 private:
  void release() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    memory_ = nullptr;
  }

  HANDLE process_;
  void* memory_ = nullptr;
};

}  // namespace

void check_drop(const Setup& setup) {
  Report& report = setup.report;
  Session session(setup.program);
  if (!report.check("drop: main dialog appears", session.ready())) return;
  const HWND main = session.main();

  const std::wstring first = setup.work + L"\\dropped-one.txt";
  const std::wstring second = setup.work + L"\\dropped-two.txt";
  write_bytes(first, "1\n");
  write_bytes(second, "2\n");

  // Too long to join with the first within the program's 260-byte buffer;
  // the drop need not name an existing file.
  const std::wstring too_long = setup.work + L"\\" + std::wstring(240, L'x') + L".txt";

  struct DropCase {
    const char* label;
    std::vector<std::wstring> files;
    std::wstring expected;
  };
  const DropCase drops[] = {
      {"drop one file: its full path replaces the edit", {first}, first},
      {"drop two files: both paths joined", {first, second}, first + second},
      {"drop names past the buffer: those that do not fit are left out",
       {first, too_long, second}, first + second},
  };
  for (const DropCase& drop : drops) {
    set_item_text(main, quenlo::kNameEdit, L"typed before the drop");
    std::wstring shown;
    const RemoteDrop handle(session.process().handle(), drop.files);
    const bool posted = handle.post(main);
    const bool filled = posted && wait_until([&] {
      shown = item_text(main, quenlo::kNameEdit);
      return shown == drop.expected;
    }, 5000);
    report.check(drop.label, filled,
                 posted ? L"edit holds " + shown : L"the drop could not be posted");
  }

  // The joined names are searched for as one name, which does not exist.
  const MessageBoxSeen seen = session.convert(first + second);
  report.check("drop two files then convert: joined name not found",
               shows(seen, quenlo::kErrorCaption, quenlo::kNotFound), describe(seen));
  session.exit();
}
