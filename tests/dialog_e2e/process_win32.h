// One started copy of the program under test. A copy still running when the
// object goes is ended, so a failed check cannot leave it behind.
#ifndef QUENLO_E2E_PROCESS_WIN32_H_
#define QUENLO_E2E_PROCESS_WIN32_H_

#include <windows.h>

#include <string>

class Process {
 public:
  // `arguments` follow the quoted program name on the command line; the
  // process starts in `folder`, or in this one when it is empty.
  explicit Process(const std::wstring& program, const std::wstring& arguments = {},
                   const std::wstring& folder = {});
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }
  bool running() const;
  // True once the process has ended, false if it still runs after the wait.
  bool wait_exit(DWORD timeout_ms);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

#endif  // QUENLO_E2E_PROCESS_WIN32_H_
