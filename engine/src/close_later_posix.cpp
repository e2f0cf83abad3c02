#include "close_later.h"

#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <system_error>
#include <thread>

namespace quenlo {

namespace {

// One for the process; its thread runs while any DeferredCloses lives.
class Closer {
 public:
  void Begin() {
    std::lock_guard<std::mutex> users(users_mutex_);
    if (users_++ > 0) return;
    SetRunning(true);
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      SetRunning(false);
    }
  }

  void End() {
    std::lock_guard<std::mutex> users(users_mutex_);
    if (--users_ > 0 || !thread_.joinable()) return;
    SetRunning(false);
    wanted_.notify_one();
    thread_.join();
  }

  void Add(int fd) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!running_ || count_ == kWaiting) {
      lock.unlock();
      ::close(fd);
      return;
    }
    waiting_[(head_ + count_) % kWaiting] = fd;
    ++count_;
    lock.unlock();
    wanted_.notify_one();
  }

 private:
  // Few enough to leave the process its descriptors.
  static constexpr std::size_t kWaiting = 64;

  void SetRunning(bool running) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = running;
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wanted_.wait(lock, [this] { return count_ > 0 || !running_; });
      if (count_ == 0) return;
      const int fd = waiting_[head_];
      head_ = (head_ + 1) % kWaiting;
      --count_;
      lock.unlock();
      ::close(fd);
      lock.lock();
    }
  }

  std::mutex users_mutex_;  // over Begin and End, the thread's start and end
  int users_ = 0;
  std::thread thread_;
  std::mutex mutex_;  // over the rest
  std::condition_variable wanted_;
  int waiting_[kWaiting] = {};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool running_ = false;
};

Closer& TheCloser() {
  static Closer closer;
  return closer;
}

}  // namespace

DeferredCloses::DeferredCloses() { TheCloser().Begin(); }

DeferredCloses::~DeferredCloses() { TheCloser().End(); }

void CloseLater(int fd) { TheCloser().Add(fd); }

}  // namespace quenlo
