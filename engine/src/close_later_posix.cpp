#include "close_later_posix.h"

#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <system_error>
#include <thread>

namespace quenlo {

namespace {

class Closer {
 public:
  void Add(int fd) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (count_ == kWaiting || !Started()) {
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
  static constexpr std::size_t kWaiting = 64;

  // Whether the thread runs; started on first use. Detached: it may still
  // be closing when the program ends.
  bool Started() {
    if (!started_) {
      try {
        std::thread([this] { Run(); }).detach();
        started_ = true;
      } catch (const std::system_error&) {
        return false;
      }
    }
    return true;
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wanted_.wait(lock, [this] { return count_ > 0; });
      const int fd = waiting_[head_];
      head_ = (head_ + 1) % kWaiting;
      --count_;
      lock.unlock();
      ::close(fd);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wanted_;
  int waiting_[kWaiting] = {};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool started_ = false;
};

}  // namespace

void CloseLater(int fd) {
  // Never destroyed: its thread may outlive the static destructors.
  static Closer* const closer = new Closer;
  closer->Add(fd);
}

}  // namespace quenlo
