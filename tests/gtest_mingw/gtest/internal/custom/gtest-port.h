// GoogleTest's hook for platform settings, found before its own empty one.
// Its Notification needs std::mutex, which MinGW's win32 thread model lacks;
// this one waits on an atomic flag. Only GoogleTest's own thread tests use it.
#ifndef QUENLO_TESTS_GTEST_MINGW_CUSTOM_GTEST_PORT_H_
#define QUENLO_TESTS_GTEST_MINGW_CUSTOM_GTEST_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // QUENLO_TESTS_GTEST_MINGW_CUSTOM_GTEST_PORT_H_
