// Ctrl+C and its kin: instead of ending the process mid-write, they ask the
// conversion to stop at its next buffer, so the file stays as it was.
#ifndef QUENLO_CONSOLE_INTERRUPT_H_
#define QUENLO_CONSOLE_INTERRUPT_H_

// Installs the handlers; a closed standard output stops nothing either.
void watch_interrupts();

// True once an interruption was asked for.
bool interrupted();

// The conversion has returned: a console being closed may now end the process.
void conversion_finished();

#endif  // QUENLO_CONSOLE_INTERRUPT_H_
