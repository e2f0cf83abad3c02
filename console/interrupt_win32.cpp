#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "interrupt.h"

namespace {

volatile LONG stop_asked = 0;
HANDLE finished = nullptr;

// Windows ends the process once this returns from a close, log-off or
// shut-down event, so that waits (within the few seconds Windows grants)
// until the work file is gone.
BOOL WINAPI ask_to_stop(DWORD event) {
  InterlockedExchange(&stop_asked, 1);
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && finished)
    WaitForSingleObject(finished, 4000);
  return TRUE;
}

}  // namespace

void watch_interrupts() {
  finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(ask_to_stop, TRUE);
}

bool interrupted() { return InterlockedCompareExchange(&stop_asked, 0, 0) != 0; }

void conversion_finished() {
  if (finished) SetEvent(finished);
}
