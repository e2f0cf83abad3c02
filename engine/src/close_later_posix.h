// Closes descriptors on a thread of its own. The last reference to a
// replaced file frees its blocks, and on a file system mounted with
// `discard` that waits for the device: about 0.1 ms a file, most of the
// time a run over many small files took. A descriptor held over the
// rename moves that wait here; should the program end first, the system
// closes what is left.
#ifndef QUENLO_CLOSE_LATER_POSIX_H_
#define QUENLO_CLOSE_LATER_POSIX_H_

namespace quenlo {

// Takes `fd` over. Closes it at once when many are already waiting, so
// the descriptors held stay few.
void CloseLater(int fd);

}  // namespace quenlo

#endif  // QUENLO_CLOSE_LATER_POSIX_H_
