// Writes a file on a second thread, so that copying into the page cache and
// starting its writeback overlap with reading and converting the next
// buffers on two cores.
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
  // Waits until everything queued is written; the first failure, if any.
  Status Finish();
  // The file already holds `size` bytes written past the writer, before
  // its first Write.
  void Skip(off_t size);

 private:
  static constexpr std::size_t kSlots = 4;
  struct Slot {
    std::vector<char> bytes;
    std::size_t size = 0;
  };

  void Run();
  void StartWriteback(off_t written);

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
};

// Writes all `size` bytes; fails with kConvertWriteFailed or kConvertDiskFull.
Status WriteAll(int fd, const char* data, std::size_t size);

}  // namespace quenlo

#endif  // QUENLO_WRITE_BEHIND_POSIX_H_
