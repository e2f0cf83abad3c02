// A file descriptor that closes itself.
#ifndef QUENLO_DESCRIPTOR_POSIX_H_
#define QUENLO_DESCRIPTOR_POSIX_H_

#include <unistd.h>

namespace quenlo {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    // After EINTR the descriptor is gone on Linux; retrying could close another.
    if (fd_ >= 0) ::close(fd_);
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace quenlo

#endif  // QUENLO_DESCRIPTOR_POSIX_H_
