// Closing the last reference to a replaced file frees its blocks, and on a
// file system mounted with `discard` that waits for the device: about
// 0.1 ms a file, most of the time a run over many small files took. While
// a DeferredCloses lives, a descriptor held over the rename is closed on a
// thread of its own instead. Its end waits for them all, so that no thread
// outlives the run.
#ifndef QUENLO_CLOSE_LATER_H_
#define QUENLO_CLOSE_LATER_H_

namespace quenlo {

class DeferredCloses {
 public:
  DeferredCloses();
  ~DeferredCloses();
  DeferredCloses(const DeferredCloses&) = delete;
  DeferredCloses& operator=(const DeferredCloses&) = delete;
};

#ifdef _WIN32
// Windows renames over no open file: nothing waits to be closed there.
inline DeferredCloses::DeferredCloses() = default;
inline DeferredCloses::~DeferredCloses() = default;
#else
// Takes `fd` over: the thread closes it while a DeferredCloses lives and
// few wait; otherwise it is closed at once.
void CloseLater(int fd);
#endif

}  // namespace quenlo

#endif  // QUENLO_CLOSE_LATER_H_
