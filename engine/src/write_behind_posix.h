// Writes a file on a second thread, so that copying into the page cache and
// starting its writeback overlap with reading and converting the next
// buffers on two cores. A large file is also flushed on a third thread as
// it grows: a device with a write cache (or a virtual disk over the host's
// page cache) then empties it while the rest is converted, instead of all
// in the final fsync.
#ifndef QUENLO_WRITE_BEHIND_POSIX_H_
#define QUENLO_WRITE_BEHIND_POSIX_H_

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "status.h"

namespace quenlo {

class WriteBehind {
 public:
  explicit WriteBehind(int fd);
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;
  // Drops what is still queued.
  ~WriteBehind();

  // Room for `size` bytes, waiting for a free slot: fill it, then Write.
  char* Room(std::size_t size);
  // Queues the first `size` bytes of the room. Returns the first failure of
  // an earlier write (kConvertWriteFailed or kConvertDiskFull), if any.
  Status Write(std::size_t size);
  // Waits until everything queued is written and lets the buffers and the
  // threads go; the first failure, if any. Nothing is written after it.
  Status Finish();
  // After Finish: kConvertFlushFailed if a flush made while writing failed.
  // The final fsync may no longer see that failure, so it is kept here.
  Status EarlyFlush() const { return flushed_result_; }
  // The file already holds `size` bytes written past the writer, before
  // its first Write.
  void Skip(off_t size);

 private:
  static constexpr std::size_t kSlots = 4;
  // Less than this, queued, waits for Finish without a thread.
  static constexpr std::size_t kWrittenByFinish = std::size_t{64} << 10;
  // A file is flushed while it is written once it has this much, and
  // again whenever this much more has come: flushing more at once costs
  // the device fewer commits, flushing early keeps it busy sooner.
  static constexpr off_t kFlushStretch = off_t{16} << 20;
  struct Slot {
    std::vector<char> bytes;
    std::size_t size = 0;
  };

  void Run();
  void Stop();
  void StartWriteback(off_t written);
  void RunFlusher();
  // Finishing, a stretch due is still flushed.
  void StopFlusher(bool finishing);

  const int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slots_[kSlots];
  std::size_t head_ = 0;    // next slot to write
  std::size_t queued_ = 0;  // slots waiting to be written
  bool stopping_ = false;
  Status result_;
  off_t written_ = 0;  // bytes the writer has written
  off_t started_ = 0;  // bytes whose writeback has been started; the writer's own
  std::thread thread_;
  // The flusher's: started by Write once the file is large enough.
  std::condition_variable flush_wanted_;
  bool stopping_flusher_ = false;
  bool finishing_ = false;
  off_t flushed_ = 0;  // bytes written when the last flush began
  Status flushed_result_;
  std::thread flusher_;
};

// Writes all `size` bytes; fails with kConvertWriteFailed or kConvertDiskFull.
Status WriteAll(int fd, const char* data, std::size_t size);

}  // namespace quenlo

#endif  // QUENLO_WRITE_BEHIND_POSIX_H_
