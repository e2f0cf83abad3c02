#include <signal.h>

#include <initializer_list>

#include "interrupt.h"

namespace {

volatile sig_atomic_t stop_asked = 0;

void ask_to_stop(int) { stop_asked = 1; }

}  // namespace

void watch_interrupts() {
  struct sigaction action = {};
  action.sa_handler = ask_to_stop;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    // One ignored at the start stays ignored: nohup, and background jobs
    // that ignore Ctrl+C, ask the run to go on.
    struct sigaction before = {};
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &action, nullptr);
  }
  // The exit status, not a signal, tells how the conversion went.
  signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return stop_asked != 0; }

// Nothing waits here: the handlers return at once.
void conversion_finished() {}
