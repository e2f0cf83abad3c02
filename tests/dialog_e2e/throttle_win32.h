// Slows the program's conversion down, as a slow disk or network share
// would, so that a large file takes seconds on any machine: the
// threads the program starts besides its window thread run only a tenth of
// the time. The window thread is never held.
#ifndef QUENLO_E2E_THROTTLE_WIN32_H_
#define QUENLO_E2E_THROTTLE_WIN32_H_

#include <windows.h>

#include <set>
#include <vector>

class Throttle {
 public:
  // Threads the process has now are left alone; only later ones are held.
  Throttle(DWORD pid, DWORD window_thread);
  // Lets every held thread run on.
  ~Throttle();
  Throttle(const Throttle&) = delete;
  Throttle& operator=(const Throttle&) = delete;

  // Lets the new threads run for `run_ms`, then holds them again.
  void Step(DWORD run_ms);

 private:
  std::set<DWORD> Threads() const;
  void ReleaseAll();

  DWORD pid_;
  DWORD window_thread_;
  std::set<DWORD> before_;
  std::vector<HANDLE> held_;
};

#endif  // QUENLO_E2E_THROTTLE_WIN32_H_
