#include "write_behind_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "quenlo/engine.h"

namespace quenlo {

namespace {

// Writes all of the parts; fails with kConvertWriteFailed or kConvertDiskFull.
Status WriteAllParts(int fd, iovec* parts, std::size_t count) {
  for (;;) {
    // Empty parts would make a call that writes nothing look like a failure.
    while (count > 0 && parts->iov_len == 0) {
      ++parts;
      --count;
    }
    if (count == 0) return Status();
    ssize_t put = ::writev(fd, parts, static_cast<int>(count));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      const int error = errno;
      return Failed(error == ENOSPC || error == EDQUOT ? kConvertDiskFull : kConvertWriteFailed,
                    error);
    }
    if (put == 0) return Failed(kConvertWriteFailed);
    // Past what was written: whole parts, then into the next.
    std::size_t done = static_cast<std::size_t>(put);
    while (count > 0 && done >= parts->iov_len) {
      done -= parts->iov_len;
      ++parts;
      --count;
    }
    if (count > 0) {
      parts->iov_base = static_cast<char*>(parts->iov_base) + done;
      parts->iov_len -= done;
    }
  }
}

}  // namespace

WriteBehind::WriteBehind(int fd) : fd_(fd) {}

WriteBehind::~WriteBehind() {
  Stop();
  StopFlusher(false);
}

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
  // A small file is written by Finish: a thread would cost more than it saves.
  if (!thread_.joinable()) {
    std::size_t queued_bytes = 0;
    for (std::size_t i = 0; i < queued_; ++i) queued_bytes += slots_[(head_ + i) % kSlots].size;
    if (queued_ < kSlots && queued_bytes < kWrittenByFinish) return Status();
    thread_ = std::thread([this] { Run(); });
  }
#ifdef __linux__
  if (!flusher_.joinable() && written_ >= kFlushStretch)
    flusher_ = std::thread([this] { RunFlusher(); });
#endif
  const bool wake = queued_ >= kSlots / 2;
  lock.unlock();
  if (wake) changed_.notify_all();
  return Status();
}

Status WriteBehind::Finish() {
  if (thread_.joinable()) {
    // The writer may be waiting for more than there is.
    changed_.notify_all();
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
  StopFlusher(true);
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
    // Every slot queued now goes in one call: a larger write costs the
    // kernel much less a byte. The slots are the writer's until they are
    // released below. After a failure the rest is dropped: the work file
    // will not be used.
    const std::size_t count = queued_;
    iovec parts[kSlots];
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const Slot& slot = slots_[(head_ + i) % kSlots];
      parts[i] = {const_cast<char*>(slot.bytes.data()), slot.size};
      size += slot.size;
    }
    const bool write = result_.ok();
    lock.unlock();
    Status result = write ? WriteAllParts(fd_, parts, count) : Status();
    lock.lock();
    written_ += static_cast<off_t>(size);
    if (write && result.ok()) {
      const off_t written = written_;
      lock.unlock();
      StartWriteback(written);
      lock.lock();
    }
    if (write && result.ok() && written_ - flushed_ >= kFlushStretch) flush_wanted_.notify_one();
    head_ = (head_ + count) % kSlots;
    queued_ -= count;
    if (result_.ok()) result_ = result;
    if (queued_ <= kSlots / 2) changed_.notify_all();
  }
}

// Flushes everything written so far whenever a stretch more has been
// written since the last flush began; the writes go on meanwhile. A
// failure is kept for Flush: the kernel reports a failed writeback to a
// descriptor once, here, and not again to the final fsync. (A group's
// syncfs still sees it: the file system keeps its own record.)
void WriteBehind::RunFlusher() {
#ifdef __linux__
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    flush_wanted_.wait(lock, [this] {
      return stopping_flusher_ || written_ - flushed_ >= kFlushStretch;
    });
    // A stretch due when the file is finished is flushed all the same: the
    // final fsync then has less to do. An abandoned file is not.
    const bool due = written_ - flushed_ >= kFlushStretch;
    if (stopping_flusher_ && !(due && finishing_)) return;
    flushed_ = written_;
    lock.unlock();
    const int flushed = ::fdatasync(fd_);
    const int error = errno;
    lock.lock();
    if (flushed != 0) {
      flushed_result_ = Failed(kConvertFlushFailed, error);
      return;
    }
  }
#endif
}

void WriteBehind::StopFlusher(bool finishing) {
  if (!flusher_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_flusher_ = true;
    finishing_ = finishing;
  }
  flush_wanted_.notify_all();
  flusher_.join();
}

Status WriteAll(int fd, const char* data, std::size_t size) {
  iovec part{const_cast<char*>(data), size};
  return WriteAllParts(fd, &part, 1);
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
