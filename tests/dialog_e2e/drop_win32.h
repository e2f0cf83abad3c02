// Dropping files on a window of another process.
#ifndef QUENLO_E2E_DROP_WIN32_H_
#define QUENLO_E2E_DROP_WIN32_H_

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

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

#endif  // QUENLO_E2E_DROP_WIN32_H_
