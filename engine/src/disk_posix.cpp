#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disk.h"
#include "quenlo/engine.h"
#include "write_behind_posix.h"
#include "xattr_posix.h"

namespace quenlo {

namespace {

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

 private:
  int fd_;
};

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

// True when the descriptor is still the file under `name`: a lock is only
// worth something on the file that others will find there.
bool IsAt(int fd, const std::string& name) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::string DirectoryOf(const std::string& name) {
  std::string::size_type slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Never replaces an existing `to`.
int MoveNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return kConvertOk;
  if (errno != EINVAL && errno != ENOSYS) return kConvertMoveFailed;
#endif
  // File systems without it: link and unlink, or check, then rename where
  // there are no hard links either.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return kConvertOk;
    ::unlink(to.c_str());
    return kConvertMoveFailed;
  }
  if (errno == EEXIST) return kConvertMoveFailed;
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return kConvertMoveFailed;
  return ::rename(from.c_str(), to.c_str()) == 0 ? kConvertOk : kConvertMoveFailed;
}

// Appends the first `size` bytes of `from` to `to`, inside the kernel where
// it can. Returns a ConvertResult and the bytes copied.
int CopyPrefix(int from, int to, off_t size, off_t* copied) {
  *copied = 0;
  off_t& offset = *copied;
#ifdef __linux__
  while (offset < size) {
    ssize_t got = ::copy_file_range(from, &offset, to, nullptr,
                                    static_cast<std::size_t>(size - offset), 0);
    if (got > 0) continue;
    if (got == 0) return kConvertReadFailed;  // the file shrank
    if (errno == EINTR) continue;
    // Not across these file systems: through a buffer instead.
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return IsDiskFull(errno) ? kConvertDiskFull : kConvertWriteFailed;
  }
#endif
  std::vector<char> buffer(std::size_t{64} << 10);
  while (offset < size) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<off_t>(size - offset, static_cast<off_t>(buffer.size())));
    ssize_t got = ::pread(from, buffer.data(), want, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return kConvertReadFailed;
    if (int result = WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return result;
    offset += got;
  }
  return kConvertOk;
}

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
  int fd() const { return fd_.get(); }

 private:
  Descriptor fd_;
};

// Holds an exclusive lock from creation until it is moved or removed, so a
// live work file is told from one a killed conversion left behind.
class PosixWork : public WorkFile {
 public:
  PosixWork(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~PosixWork() override {
    // Removed while the lock still keeps others off it.
    if (!moved_) ::unlink(name_.c_str());
  }

  int CopyMetadata(InputFile& original) override {
    int from = static_cast<PosixInput&>(original).fd();
    struct stat st;
    if (::fstat(from, &st) != 0) return kConvertOpenFailed;
    if (::fchown(fd_.get(), st.st_uid, st.st_gid) != 0) return kConvertOwnerNotKept;
    if (!CopyExtendedAttributes(from, fd_.get())) return kConvertAttributesNotKept;
    // After chown, which clears set-id bits, and after the access ACL, whose
    // mask the group bits must match.
    return ::fchmod(fd_.get(), st.st_mode & 07777) == 0 ? kConvertOk : kConvertOpenFailed;
  }

  char* Room(std::size_t size) override { return writer_.Room(size); }
  int Write(std::size_t size) override { return writer_.Write(size); }

  int CopyFrom(InputFile& original, std::int64_t size) override {
    off_t copied = 0;
    int result = CopyPrefix(static_cast<PosixInput&>(original).fd(), fd_.get(),
                            static_cast<off_t>(size), &copied);
    writer_.Skip(copied);
    return result;
  }

  int Flush() override {
    if (int result = writer_.Finish()) return result;
    if (::fsync(fd_.get()) == 0) return kConvertOk;
    return IsDiskFull(errno) ? kConvertDiskFull : kConvertFlushFailed;
  }

  int MoveTo(const std::string& name, bool replace) override {
    int result = replace ? (::rename(name_.c_str(), name.c_str()) == 0 ? kConvertOk
                                                                        : kConvertMoveFailed)
                         : MoveNoReplace(name_, name);
    if (result == kConvertOk) moved_ = true;
    return result;
  }

 private:
  Descriptor fd_;
  std::string name_;
  bool moved_ = false;
  WriteBehind writer_{fd_.get()};
};

class PosixDisk : public Disk {
 public:
  PosixDisk() {
    // Past a file size limit, write must fail with EFBIG rather than the
    // signal ending the process before the work file is removed.
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

  bool Link(const std::string& from, const std::string& to) override {
    return ::link(from.c_str(), to.c_str()) == 0;
  }

  int Move(const std::string& from, const std::string& to) override {
    return MoveNoReplace(from, to);
  }

  void SyncDirectory(const std::string& name) override {
    Descriptor dir(::open(DirectoryOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Nothing to undo if it fails: both files are whole whatever the
    // directory's entries hold after a crash.
    if (dir.valid()) ::fsync(dir.get());
  }

  std::unique_ptr<InputFile> OpenInput(const std::string& name, int* result) override {
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      *result = kConvertOpenFailed;
      return nullptr;
    }
    return std::make_unique<PosixInput>(fd);
  }

  std::unique_ptr<WorkFile> CreateWork(const std::string& name, int* result) override {
    // A few rounds: another conversion may be clearing the same stale file.
    for (int round = 0; round < 8; ++round) {
      int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        // Until the lock is held, a conversion that takes it for stale may
        // remove it and create its own: then that one goes on, and the name
        // is no longer ours to remove.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && IsAt(fd, name))
          return std::make_unique<PosixWork>(fd, name);
        ::close(fd);
        *result = kConvertBusy;
        return nullptr;
      }
      if (errno != EEXIST) {
        *result = IsDiskFull(errno) ? kConvertDiskFull : kConvertOpenFailed;
        return nullptr;
      }
      if (!RemoveStaleWork(name, result)) return nullptr;
    }
    *result = kConvertBusy;
    return nullptr;
  }

 private:
  // Removes a work file whose conversion died; false with `*result` set
  // when it belongs to a live one or cannot be removed.
  static bool RemoveStaleWork(const std::string& name, int* result) {
    Descriptor old(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!old.valid()) {
      if (errno == ENOENT) return true;
      *result = kConvertOpenFailed;
      return false;
    }
    struct stat st;
    if (::fstat(old.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      *result = kConvertOpenFailed;
      return false;
    }
    if (::flock(old.get(), LOCK_EX | LOCK_NB) != 0) {
      *result = kConvertBusy;
      return false;
    }
    // Held locked until it is gone, so no one else takes it for stale.
    if (IsAt(old.get(), name) && ::unlink(name.c_str()) != 0 && errno != ENOENT) {
      *result = kConvertOpenFailed;
      return false;
    }
    return true;
  }
};

}  // namespace

std::size_t NameBufferLength(const std::string& name) { return name.size(); }

Disk& RealDisk() {
  static PosixDisk disk;
  return disk;
}

}  // namespace quenlo
