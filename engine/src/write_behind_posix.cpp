#include "write_behind_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "quenlo/engine.h"

namespace quenlo {

WriteBehind::WriteBehind(int fd) : fd_(fd) {}

WriteBehind::~WriteBehind() { Stop(); }

void WriteBehind::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

char* WriteBehind::Room(std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queued_ < kSlots; });
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
  // A small file is written by Finish: a thread would cost more than it saves.
  if (!thread_.joinable()) {
    std::size_t queued_bytes = 0;
    for (std::size_t i = 0; i < queued_; ++i) queued_bytes += slots_[(head_ + i) % kSlots].size;
    if (queued_ < kSlots && queued_bytes < kWrittenByFinish) return Status();
    thread_ = std::thread([this] { Run(); });
  }
  const off_t written = written_;
  lock.unlock();
  changed_.notify_all();
  StartWriteback(written);
  return Status();
}

Status WriteBehind::Finish() {
  if (thread_.joinable()) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queued_ == 0 || !result_.ok(); });
  } else {
    for (; queued_ > 0 && result_.ok(); --queued_, head_ = (head_ + 1) % kSlots) {
      const Slot& slot = slots_[head_];
      result_ = WriteAll(fd_, slot.bytes.data(), slot.size);
      written_ += static_cast<off_t>(slot.size);
    }
  }
  Stop();
  // Many work files wait for one flush together: they keep no buffers.
  for (Slot& slot : slots_) slot.bytes = std::vector<char>();
  queued_ = 0;
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
    head_ = (head_ + 1) % kSlots;
    --queued_;
    if (result_.ok()) result_ = result;
    changed_.notify_all();
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
// so the closing fsync waits only for the tail. Called on the converting
// thread, which has time to spare while the writer copies. A hint only: the
// fsync still reports any failure. The call is Linux's; elsewhere the fsync
// does it all.
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
