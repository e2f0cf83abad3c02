// Every step relative to one directory descriptor, no link followed after
// the name was resolved once. Needs POSIX.1-2008 (the *at calls, O_CLOEXEC,
// O_NOFOLLOW, st_mtim) and flock; Linux's own calls, where its headers have
// them, make some steps safer or faster.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/magic.h>
#include <sys/statfs.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

#include "close_later.h"
#include "descriptor_posix.h"
#include "disk.h"
#include "quenlo/engine.h"
#include "write_behind_posix.h"
#include "xattr_posix.h"

namespace quenlo {

namespace {

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

// The failure errno stands for: a full disk, or `otherwise`.
Status FromErrno(ConvertResult otherwise, const std::string& entry = std::string()) {
  const int error = errno;
  return Failed(IsDiskFull(error) ? kConvertDiskFull : otherwise, error, entry);
}

Status MoveFailed(const std::string& entry) { return Failed(kConvertMoveFailed, errno, entry); }

#ifdef O_PATH
// Entries are looked at through descriptors that open nothing: the owner
// the check saw is that of the link whose text is then read, and a folder
// on the way needs no more than the right to pass through it.
constexpr int kLookFlags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
// Without such descriptors a link cannot be read from what was checked:
// the open fails on it, and the name is refused.
constexpr int kLookFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kPassFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

std::int64_t Ticks(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileState StateOf(const struct stat& st) {
  FileState state;
  state.kind = S_ISREG(st.st_mode) ? FileKind::kRegular : FileKind::kOther;
  state.volume = static_cast<std::uint64_t>(st.st_dev);
  state.id = static_cast<std::uint64_t>(st.st_ino);
  state.size = st.st_size;
  state.modified = Ticks(st.st_mtim);
  state.changed = Ticks(st.st_ctim);
  return state;
}

// True when the descriptor is still the file under `name` in `dir`: a lock
// is only worth something on the file that others will find there.
bool IsAt(int fd, int dir, const std::string& name) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Never replaces an existing `to`.
Status MoveNoReplace(int dir, const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  // Linux's own call (glibc 2.28 on); elsewhere, and on file systems
  // without it, the POSIX steps below.
  if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return Status();
  if (errno != EINVAL && errno != ENOSYS) return MoveFailed(from);
#endif
  // Link and unlink, or check, then rename where there are no hard links either.
  if (::linkat(dir, from.c_str(), dir, to.c_str(), 0) == 0) {
    if (::unlinkat(dir, from.c_str(), 0) == 0) return Status();
    Status failed = MoveFailed(from);
    ::unlinkat(dir, to.c_str(), 0);
    return failed;
  }
  if (errno == EEXIST) return MoveFailed(to);
  struct stat st;
  if (::fstatat(dir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
    return Failed(kConvertMoveFailed, EEXIST, to);
  return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0 ? Status() : MoveFailed(from);
}

// A read, made again when a signal broke it off.
template <typename Call>
Status Retried(Call read, std::size_t* got) {
  for (;;) {
    const ssize_t done = read();
    if (done >= 0) {
      *got = static_cast<std::size_t>(done);
      return Status();
    }
    if (errno != EINTR) return Failed(kConvertReadFailed, errno);
  }
}

// Appends the first `size` bytes of `from` to `to`, inside the kernel where
// it can; `*copied` tells how far it came. A file that ends before `size`
// changed since it was read.
Status CopyPrefix(int from, int to, off_t size, off_t* copied) {
  *copied = 0;
  off_t& offset = *copied;
#ifdef __linux__
  // Linux's in-kernel copy; elsewhere the buffer below.
  while (offset < size) {
    ssize_t got = ::copy_file_range(from, &offset, to, nullptr,
                                    static_cast<std::size_t>(size - offset), 0);
    if (got > 0) continue;
    if (got == 0) return Failed(kConvertFileChanged);
    if (errno == EINTR) continue;
    // Not across these file systems: through a buffer instead.
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return FromErrno(kConvertWriteFailed);
  }
#endif
  std::vector<char> buffer(std::size_t{64} << 10);
  while (offset < size) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<off_t>(size - offset, static_cast<off_t>(buffer.size())));
    std::size_t got = 0;
    Status read = Retried([&] { return ::pread(from, buffer.data(), want, offset); }, &got);
    if (!read.ok()) return read;
    if (got == 0) return Failed(kConvertFileChanged);
    Status written = WriteAll(to, buffer.data(), got);
    if (!written.ok()) return written;
    offset += static_cast<off_t>(got);
  }
  return Status();
}

class PosixInput : public InputFile {
 public:
  explicit PosixInput(int fd) : fd_(fd) {}
  Status Read(char* buffer, std::size_t size, std::size_t* got) override {
    return Retried([&] { return ::read(fd_.get(), buffer, size); }, got);
  }
  bool ReadsAt() const override { return true; }
  Status ReadAt(std::int64_t offset, char* buffer, std::size_t size, std::size_t* got) override {
    return Retried([&] { return ::pread(fd_.get(), buffer, size, static_cast<off_t>(offset)); },
                   got);
  }
  Status Seek(std::int64_t offset) override {
    if (::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0) return Status();
    return Failed(kConvertReadFailed, errno);
  }
  Status State(FileState* state) override {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return Failed(kConvertReadFailed, errno);
    *state = StateOf(st);
    return Status();
  }
  NativeFile native() const override { return fd_.get(); }

 private:
  Descriptor fd_;
};

// Holds an exclusive lock from creation until it is moved or removed, so a
// live work file is told from one a killed conversion left behind.
class PosixWork : public WorkFile {
 public:
  PosixWork(int fd, int dir, std::string name) : fd_(fd), dir_(dir), name_(std::move(name)) {}
  ~PosixWork() override {
    // Removed while the lock still keeps others off it, and only if the
    // name is still this file.
    if (!moved_ && IsAt(fd_.get(), dir_, name_)) ::unlinkat(dir_, name_.c_str(), 0);
  }

  Status CopyMetadata(InputFile& original) override {
    const int from = original.native();
    struct stat st;
    if (::fstat(from, &st) != 0) return Failed(kConvertReadFailed, errno);
    if (::fchown(fd_.get(), st.st_uid, st.st_gid) != 0) return Failed(kConvertOwnerNotKept, errno);
    if (int error = CopyExtendedAttributes(from, fd_.get()))
      return Failed(kConvertAttributesNotKept, error);
    return Status();
  }

  Status CopyMode(InputFile& original) override {
    // The writes must be done: the first one clears set-id bits and
    // capabilities.
    Status written = writer_.Finish();
    if (!written.ok()) return written;
    const int from = original.native();
    struct stat st;
    if (::fstat(from, &st) != 0) return Failed(kConvertReadFailed, errno);
    // After the access ACL, whose mask the group bits must match.
    if (::fchmod(fd_.get(), st.st_mode & 07777) != 0) return Failed(kConvertModeNotKept, errno);
    if (int error = CopyCapabilities(from, fd_.get())) return Failed(kConvertModeNotKept, error);
    return Status();
  }

  char* Room(std::size_t size) override { return writer_.Room(size); }
  Status Write(std::size_t size) override { return writer_.Write(size); }

  Status CopyFrom(InputFile& original, std::int64_t size) override {
    off_t copied = 0;
    Status status = CopyPrefix(original.native(), fd_.get(),
                               static_cast<off_t>(size), &copied);
    writer_.Skip(copied);
    return status;
  }

  Status Flush() override {
    Status written = writer_.Finish();
    if (!written.ok()) return written;
    Status early = writer_.EarlyFlush();
    if (!early.ok()) return early;
    return ::fsync(fd_.get()) == 0 ? Status() : FromErrno(kConvertFlushFailed);
  }

  Status MoveTo(const std::string& name, bool replace) override {
    // Someone else's file under the work file's name must not take the name.
    if (!IsAt(fd_.get(), dir_, name_)) return Failed(kConvertFileChanged, ESTALE, name_);
    if (!replace) {
      Status status = MoveNoReplace(dir_, name_, name);
      if (status.ok()) moved_ = true;
      return status;
    }
    // The file replaced is freed when its last reference goes: held over
    // the rename, that is on another thread.
    Descriptor replaced(::openat(dir_, name.c_str(), kLookFlags));
    if (::renameat(dir_, name_.c_str(), dir_, name.c_str()) != 0) return MoveFailed(name);
    moved_ = true;
    if (replaced.valid()) CloseLater(replaced.release());
    return Status();
  }

 private:
  Descriptor fd_;
  const int dir_;
  std::string name_;
  bool moved_ = false;
  WriteBehind writer_{fd_.get()};
};

class PosixDirectory : public Directory {
 public:
  explicit PosixDirectory(int fd) : fd_(fd) {}

  Status State(const std::string& name, FileState* state) override {
    struct stat st;
    if (::fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      // A name over the limit is one no entry can have.
      if (errno != ENOENT && errno != ENAMETOOLONG) return Failed(kConvertReadFailed, errno, name);
      *state = FileState();
      return Status();
    }
    *state = StateOf(st);
    return Status();
  }

  Status Exists(const std::string& name, bool* exists) override {
    FileState state;
    Status status = State(name, &state);
    *exists = state.kind != FileKind::kMissing;
    return status;
  }

  Status Remove(const std::string& name) override {
    if (::unlinkat(fd_.get(), name.c_str(), 0) == 0) return Status();
    return Failed(kConvertMoveFailed, errno, name);
  }

  Status Link(const std::string& from, const std::string& to) override {
    if (::linkat(fd_.get(), from.c_str(), fd_.get(), to.c_str(), 0) == 0) return Status();
    return Failed(kConvertMoveFailed, errno, to);
  }

  Status Move(const std::string& from, const std::string& to) override {
    return MoveNoReplace(fd_.get(), from, to);
  }

  Status Sync() override {
    if (::fsync(fd_.get()) == 0) return Status();
    // A file system that keeps no directory to flush says EINVAL.
    if (errno == EINVAL) return Status();
    return Failed(kConvertFlushFailed, errno, ".");
  }

#ifdef __linux__
  // Linux's own call. Since Linux 5.8 it reports a failed writeback of any
  // file since the descriptor was opened.
  bool FlushFileSystem() override { return ::syncfs(fd_.get()) == 0; }
#endif

  bool ReplacesByRename() override { return true; }

  std::size_t NameLimit() override {
    long limit = ::fpathconf(fd_.get(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
  }

  Status OpenInput(const std::string& name, std::unique_ptr<InputFile>* input) override {
    Descriptor fd(OpenEntry(name));
    if (!fd.valid())
      return Failed(errno == ELOOP ? kConvertFileChanged : kConvertOpenFailed, errno, name);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return Failed(kConvertReadFailed, errno, name);
    if (!S_ISREG(st.st_mode)) return Failed(kConvertFileChanged, EINVAL, name);
    // A live work file is locked exclusively: it is no input.
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0)
      return errno == EWOULDBLOCK ? Failed(kConvertBusy, 0, name)
                                  : Failed(kConvertOpenFailed, errno, name);
    *input = std::make_unique<PosixInput>(fd.release());
    return Status();
  }

  Status CreateWork(const std::string& name, std::unique_ptr<WorkFile>* work) override {
    // A few rounds: another conversion may be clearing the same stale file.
    for (int round = 0; round < 8; ++round) {
      Descriptor fd(::openat(fd_.get(), name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (fd.valid()) {
        // Until the lock is held, a conversion that takes it for stale may
        // remove it and create its own: then that one goes on, and the name
        // is no longer ours to remove.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
          if (errno == EWOULDBLOCK) return Failed(kConvertBusy, 0, name);
          // No lock to be had here: the file this run made goes again.
          Status failed = Failed(kConvertWorkFileFailed, errno, name);
          if (IsAt(fd.get(), fd_.get(), name)) ::unlinkat(fd_.get(), name.c_str(), 0);
          return failed;
        }
        if (!IsAt(fd.get(), fd_.get(), name)) return Failed(kConvertBusy, 0, name);
        *work = Held(fd.release(), name);
        return Status();
      }
      if (errno != EEXIST) return FromErrno(kConvertWorkFileFailed, name);
      Status removed = RemoveStaleWork(name);
      if (!removed.ok()) return removed;
    }
    return Failed(kConvertBusy, 0, name);
  }

  Status IsHeld(const std::string& name, bool* held) override {
    *held = false;
    Descriptor old(OpenEntry(name));
    if (!old.valid()) return errno == ENOENT ? Status() : Failed(kConvertReadFailed, errno, name);
    if (::flock(old.get(), LOCK_SH | LOCK_NB) == 0) return Status();
    if (errno != EWOULDBLOCK) return Failed(kConvertReadFailed, errno, name);
    *held = true;
    return Status();
  }

 private:
  // The entry `name` for reading: no link, and no FIFO or device that
  // would block or never end.
  int OpenEntry(const std::string& name) const {
    return ::openat(fd_.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }

  // The work file, locked. Should it not come about, no file is left.
  std::unique_ptr<WorkFile> Held(int fd, const std::string& name) {
    try {
      return std::make_unique<PosixWork>(fd, fd_.get(), name);
    } catch (...) {
      ::unlinkat(fd_.get(), name.c_str(), 0);
      throw;
    }
  }

  // Removes a work file whose conversion died: kConvertBusy when it
  // belongs to a live one, kConvertWorkFileFailed when it cannot go.
  Status RemoveStaleWork(const std::string& name) {
    Descriptor old(OpenEntry(name));
    if (!old.valid())
      return errno == ENOENT ? Status() : Failed(kConvertWorkFileFailed, errno, name);
    struct stat st;
    if (::fstat(old.get(), &st) != 0) return Failed(kConvertWorkFileFailed, errno, name);
    if (!S_ISREG(st.st_mode)) return Failed(kConvertWorkFileFailed, EISDIR, name);
    if (::flock(old.get(), LOCK_EX | LOCK_NB) != 0)
      return errno == EWOULDBLOCK ? Failed(kConvertBusy, 0, name)
                                  : Failed(kConvertWorkFileFailed, errno, name);
    // Held locked until it is gone, so no one else takes it for stale.
    if (IsAt(old.get(), fd_.get(), name) && ::unlinkat(fd_.get(), name.c_str(), 0) != 0 &&
        errno != ENOENT)
      return Failed(kConvertWorkFileFailed, errno, name);
    return Status();
  }

  Descriptor fd_;
};

// A link the caller may follow: its own, or root's. Another user's link
// could point at anything the caller may write.
bool Trusted(const struct stat& link) { return link.st_uid == ::geteuid() || link.st_uid == 0; }

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::string::size_type at = 0;
  while (at <= path.size()) {
    const std::string::size_type slash = std::min(path.find('/', at), path.size());
    if (slash > at) parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += "/" + part;
  return path;
}

// The kernel's own links (/proc/PID/root, /proc/PID/fd/N, ...) stand for an
// object, not a path: their text ("/", "name (deleted)") would lead elsewhere.
bool IsKernelLink(int fd) {
#ifdef PROC_SUPER_MAGIC
  struct statfs fs;
  return ::fstatfs(fd, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
#else
  (void)fd;
  return false;
#endif
}

// Follows `name` one part at a time from directory descriptors, at most 40
// links deep. `shown` is the directory's path as messages show it.
class Walk {
 public:
  Status Run(const std::string& name, Located* located) {
    std::vector<std::string> todo = Parts(name);
    if (todo.empty()) return Failed(kConvertNotAFile);
    const bool absolute = !name.empty() && name[0] == '/';
    dir_.reset(::open(absolute ? "/" : ".", kPassFlags));
    if (!dir_.valid()) return Failed(kConvertOpenFailed, errno, absolute ? "/" : ".");
    if (!absolute) {
      char* cwd = ::getcwd(nullptr, 0);
      if (cwd) shown_ = Parts(cwd);
      ::free(cwd);
    }
    int links = 0;
    while (!todo.empty()) {
      const std::string part = todo.front();
      todo.erase(todo.begin());
      const bool last = todo.empty();
      if (part == "." || part == "..") {
        // A name that ends there is a directory.
        if (last) return Found(FileKind::kOther, part, located);
        if (part == "..") {
          Descriptor up(::openat(dir_.get(), "..", kPassFlags));
          if (!up.valid()) return Failed(kConvertReadFailed, errno, part);
          dir_.reset(up.release());
          if (!shown_.empty()) shown_.pop_back();
        }
        continue;
      }
      Descriptor entry(::openat(dir_.get(), part.c_str(), kLookFlags));
      if (!entry.valid()) {
        if (errno == ENOENT && last) return Found(FileKind::kMissing, part, located);
        if (errno == ENOENT || errno == ENOTDIR) return Status();
        return Failed(kConvertReadFailed, errno, part);
      }
      struct stat st;
      if (::fstat(entry.get(), &st) != 0) return Failed(kConvertReadFailed, errno, part);
      if (S_ISLNK(st.st_mode)) {
        if (!Trusted(st)) return Failed(kConvertLinkNotTrusted, 0, part);
        if (++links > 40) return Failed(kConvertNotAFile, ELOOP, part);
        if (IsKernelLink(entry.get())) {
          // Opened through what it stands for. Only a directory has names in
          // it to work with; a file it stands for may have none at all.
          Descriptor object(::openat(dir_.get(), part.c_str(), kPassFlags));
          if (!object.valid())
            return errno == ENOTDIR ? Found(FileKind::kOther, part, located)
                                    : Failed(kConvertReadFailed, errno, part);
          dir_.reset(object.release());
          shown_.push_back(part);
          if (last) return Found(FileKind::kOther, part, located);
          continue;
        }
        std::string text;
        Status read = Text(entry.get(), part, st, &text);
        if (!read.ok()) return read;
        if (!text.empty() && text[0] == '/') {
          dir_.reset(::open("/", kPassFlags));
          if (!dir_.valid()) return Failed(kConvertOpenFailed, errno, "/");
          shown_.clear();
        }
        const std::vector<std::string> more = Parts(text);
        todo.insert(todo.begin(), more.begin(), more.end());
        if (todo.empty()) return Found(FileKind::kOther, part, located);
        continue;
      }
      // "file/" names no file, as the system has it.
      if (last && !S_ISDIR(st.st_mode) && name.back() == '/') return Status();
      if (last)
        return Found(S_ISREG(st.st_mode) ? FileKind::kRegular : FileKind::kOther, part, located);
      if (!S_ISDIR(st.st_mode)) return Status();
      // The very directory looked at, not whatever has its name by now.
      dir_.reset(entry.release());
      shown_.push_back(part);
    }
    return Found(FileKind::kOther, ".", located);
  }

 private:
  // The walk ends at `base` in the current directory, opened now for the
  // steps to come (flushing it needs more than a descriptor to pass through).
  Status Found(FileKind kind, const std::string& base, Located* located) {
    located->kind = kind;
    located->base = base;
    located->full = (shown_.empty() ? std::string() : Joined(shown_)) + "/" + base;
    if (kind == FileKind::kOther) return Status();
    Descriptor opened(::openat(dir_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid()) {
      // Nothing there to recover from a folder that will not open.
      if (kind == FileKind::kMissing) return Status();
      return Failed(kConvertOpenFailed, errno, ".");
    }
    located->directory = std::make_unique<PosixDirectory>(opened.release());
    return Status();
  }

  // The link's text, read from the descriptor that was checked.
  static Status Text(int fd, const std::string& part, const struct stat& st, std::string* text) {
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t size = ::readlinkat(fd, "", buffer.data(), buffer.size());
    if (size < 0) return Failed(kConvertReadFailed, errno, part);
    // Longer than its size said: changed since.
    if (static_cast<std::size_t>(size) >= buffer.size())
      return Failed(kConvertFileChanged, 0, part);
    text->assign(buffer.data(), static_cast<std::size_t>(size));
    return Status();
  }

  Descriptor dir_{-1};
  std::vector<std::string> shown_;
};

class PosixDisk : public Disk {
 public:
  PosixDisk() {
    // Past a file size limit, write must fail with EFBIG rather than the
    // signal ending the process before the work file is removed.
    ::signal(SIGXFSZ, SIG_IGN);
  }

  Status Locate(const std::string& name, Located* located) override {
    return Walk().Run(name, located);
  }
};

}  // namespace

std::size_t NameBufferLength(const std::string& name) { return name.size(); }

std::size_t NameLength(const std::string& name) { return name.size(); }

std::string NameStart(const std::string& name, std::size_t length) { return name.substr(0, length); }

Disk& RealDisk() {
  static PosixDisk disk;
  return disk;
}

}  // namespace quenlo
