#include "write_behind_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "quenlo/engine.h"

namespace quenlo {

WriteBehind::WriteBehind(int fd) : fd_(fd), thread_([this] { Run(); }) {}

WriteBehind::~WriteBehind() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

char* WriteBehind::Room(std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Each thread sleeps until half the slots are its own again: every sleep
  // and wake costs both more than a copy of the slot.
  if (queued_ == kSlots) changed_.wait(lock, [this] { return queued_ <= kSlots / 2; });
  // Free slots are the converting thread's alone.
  std::vector<char>& slot = slots_[(head_ + queued_) % kSlots].bytes;
  lock.unlock();
  if (slot.size() < size) slot.resize(size);
  return slot.data();
}

Status WriteBehind::Write(std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!result_.ok()) return result_;
  slots_[(head_ + queued_) % kSlots].size = size;
  ++queued_;
  const bool wake = queued_ >= kSlots / 2;
  lock.unlock();
  if (wake) changed_.notify_all();
  return Status();
}

Status WriteBehind::Finish() {
  // The writer may be waiting for more than there is.
  changed_.notify_all();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queued_ == 0 || !result_.ok(); });
  return result_;
}

void WriteBehind::Skip(off_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  written_ += size;
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
    if (stopping_) return;
    const Slot& slot = slots_[head_];
    // The slot is the writer's until it is released below. After a failure
    // the rest is dropped: the work file will not be used.
    const bool write = result_.ok();
    lock.unlock();
    Status result = write ? WriteAll(fd_, slot.bytes.data(), slot.size) : Status();
    lock.lock();
    written_ += static_cast<off_t>(slot.size);
    if (write && result.ok()) {
      const off_t written = written_;
      lock.unlock();
      StartWriteback(written);
      lock.lock();
    }
    head_ = (head_ + 1) % kSlots;
    --queued_;
    if (result_.ok()) result_ = result;
    if (queued_ <= kSlots / 2) changed_.notify_all();
  }
}

Status WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      const int error = errno;
      return Failed(error == ENOSPC || error == EDQUOT ? kConvertDiskFull : kConvertWriteFailed,
                    error);
    }
    if (put == 0) return Failed(kConvertWriteFailed);
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return Status();
}

// Sends each finished stretch to the device while the rest is converted,
// so the closing fsync waits only for the tail. Called on the writing
// thread, after its write: the call may wait for room in the device's
// queue, and the converting thread should not. A hint only: the fsync still
// reports any failure. The call is Linux's; elsewhere the fsync does it all.
void WriteBehind::StartWriteback(off_t written) {
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
  constexpr off_t kStretch = off_t{4} << 20;
  if (written - started_ < kStretch) return;
  ::sync_file_range(fd_, started_, written - started_, SYNC_FILE_RANGE_WRITE);
  started_ = written;
#else
  (void)written;
#endif
}

}  // namespace quenlo
