#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "disk.h"

namespace quenlo {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }

  int get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    int fd = fd_;
    fd_ = -1;
    // After EINTR the descriptor is gone on Linux; retrying could close another.
    return ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

class PosixInput : public InputFile {
 public:
  explicit PosixInput(int fd) : fd_(fd) {}
  std::int64_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), buffer, size);
      if (got >= 0 || errno != EINTR) return got;
    }
  }
  std::int64_t Size() override {
    struct stat st;
    return ::fstat(fd_.get(), &st) == 0 ? st.st_size : 0;
  }
  bool Close() override { return fd_.Close(); }

 private:
  Descriptor fd_;
};

class PosixOutput : public OutputFile {
 public:
  explicit PosixOutput(int fd) : fd_(fd) {}
  bool Write(const char* data, std::size_t size) override {
    while (size > 0) {
      ssize_t put = ::write(fd_.get(), data, size);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;  // EFBIG, ENOSPC, EIO, ...
      data += put;
      size -= static_cast<std::size_t>(put);
      written_ += put;
    }
    StartWriteback();
    return true;
  }
  bool Flush() override { return ::fsync(fd_.get()) == 0; }
  bool Close() override { return fd_.Close(); }

 private:
  // Sends each finished stretch to the device while the rest is converted,
  // so the closing fsync waits only for the tail. A hint only: the fsync
  // still reports any failure.
  void StartWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
    constexpr off_t kStretch = off_t{4} << 20;
    if (written_ - started_ < kStretch) return;
    ::sync_file_range(fd_.get(), started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written_;
#endif
  }

  Descriptor fd_;
  off_t written_ = 0;
  off_t started_ = 0;
};

class PosixDisk : public Disk {
 public:
  PosixDisk() {
    // Past a file size limit, write must fail with EFBIG rather than the
    // signal ending the process before the file is restored.
    ::signal(SIGXFSZ, SIG_IGN);
  }

  FileKind Kind(const std::string& name) override {
    struct stat st;
    if (::stat(name.c_str(), &st) != 0)
      return errno == ENOENT || errno == ENOTDIR ? FileKind::kMissing : FileKind::kOther;
    return S_ISREG(st.st_mode) ? FileKind::kRegular : FileKind::kOther;
  }

  bool Exists(const std::string& name) override {
    struct stat st;
    return ::lstat(name.c_str(), &st) == 0;
  }

  std::string Resolve(const std::string& name) override {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char* real = ::realpath(name.c_str(), nullptr);
    if (!real) return name;
    std::string resolved(real);
    ::free(real);
    return resolved;
  }

  bool Remove(const std::string& name) override { return ::unlink(name.c_str()) == 0; }

  bool Move(const std::string& from, const std::string& to) override {
    // link + unlink never replaces an existing `to`, which plain rename would.
    if (::link(from.c_str(), to.c_str()) == 0) {
      if (::unlink(from.c_str()) == 0) return true;
      ::unlink(to.c_str());
      return false;
    }
    if (errno == EEXIST) return false;
    // File systems without hard links: check, then rename.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
  }

  std::unique_ptr<InputFile> OpenInput(const std::string& name) override {
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixInput>(fd);
  }

  std::unique_ptr<OutputFile> CreateOutput(const std::string& name,
                                           const std::string& like) override {
    struct stat st;
    if (::stat(like.c_str(), &st) != 0) return nullptr;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    auto output = std::make_unique<PosixOutput>(fd);
    // Owner and group only where allowed; the mode (an executable script's
    // run bit, say) always, and after chown, which may clear set-id bits.
    int owner_kept = ::fchown(fd, st.st_uid, st.st_gid);
    (void)owner_kept;
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
      output.reset();
      ::unlink(name.c_str());
      return nullptr;
    }
    return output;
  }
};

}  // namespace

Disk& RealDisk() {
  static PosixDisk disk;
  return disk;
}

}  // namespace quenlo
