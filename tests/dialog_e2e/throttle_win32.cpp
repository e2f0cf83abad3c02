#include "throttle_win32.h"

#include <tlhelp32.h>

Throttle::Throttle(DWORD pid, DWORD window_thread)
    : pid_(pid), window_thread_(window_thread), before_(Threads()) {}

Throttle::~Throttle() { ReleaseAll(); }

std::set<DWORD> Throttle::Threads() const {
  std::set<DWORD> threads;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == pid_) threads.insert(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return threads;
}

void Throttle::ReleaseAll() {
  for (HANDLE thread : held_) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  held_.clear();
}

void Throttle::Step(DWORD run_ms) {
  ReleaseAll();
  Sleep(run_ms);
  for (DWORD id : Threads()) {
    if (id == window_thread_ || before_.count(id)) continue;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
    if (!thread) continue;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
      CloseHandle(thread);
      continue;
    }
    held_.push_back(thread);
  }
}
