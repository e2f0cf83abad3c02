#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "convert.h"
#include "descriptor_posix.h"
#include "walk.h"

namespace quenlo {

namespace {

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

struct Entry {
  std::string name;
  struct stat st;
};

// The entries of the open folder worth visiting, sorted; false with errno
// set when it cannot be read.
bool ReadEntries(int fd, std::vector<Entry>* entries) {
  // The listing gets its own descriptor: closedir closes it.
  const int listed = ::dup(fd);
  if (listed < 0) return false;
  DIR* dir = ::fdopendir(listed);
  if (!dir) {
    const int error = errno;
    ::close(listed);
    errno = error;
    return false;
  }
  errno = 0;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.' || IsOwnFile(name)) continue;
    Entry found{name, {}};
    // Gone meanwhile: nothing to visit.
    if (::fstatat(fd, name.c_str(), &found.st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(found.st.st_mode) || S_ISDIR(found.st.st_mode)) entries->push_back(std::move(found));
    errno = 0;
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) {
    errno = error;
    return false;
  }
  std::sort(entries->begin(), entries->end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

// `fd` is the folder `path`. False when the visitor stopped the walk.
bool Walk(int fd, const std::string& path, WalkVisitor& visitor) {
  std::vector<Entry> entries;
  if (!ReadEntries(fd, &entries)) return visitor.Unreadable(path, Failed(kConvertReadFailed, errno));
  visitor.Listed(static_cast<std::size_t>(std::count_if(
      entries.begin(), entries.end(), [](const Entry& e) { return S_ISREG(e.st.st_mode); })));
  const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
  for (const Entry& entry : entries) {
    const std::string name = prefix + entry.name;
    if (S_ISREG(entry.st.st_mode)) {
      if (!visitor.File(name, IdOf(entry.st), entry.st.st_nlink > 1)) return false;
      continue;
    }
    if (!visitor.Enter(IdOf(entry.st))) continue;
    Descriptor sub(::openat(fd, entry.name.c_str(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (sub.get() < 0) {
      if (!visitor.Unreadable(name, Failed(kConvertOpenFailed, errno))) return false;
      continue;
    }
    // Swapped for another folder since it was listed: not this walk's.
    struct stat st;
    if (::fstat(sub.get(), &st) != 0 || !(IdOf(st) == IdOf(entry.st))) continue;
    if (!Walk(sub.get(), name, visitor)) return false;
  }
  return true;
}

}  // namespace

EntryKind Identify(const std::string& name, FileId* id) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? EntryKind::kMissing : EntryKind::kOther;
  *id = IdOf(st);
  if (S_ISREG(st.st_mode)) return EntryKind::kFile;
  return S_ISDIR(st.st_mode) ? EntryKind::kFolder : EntryKind::kOther;
}

// The shell expands patterns here; a name is only ever itself.
bool IsPattern(const std::string&) { return false; }

std::vector<std::string> Matches(const std::string& pattern) { return {pattern}; }

bool WalkFolder(const std::string& path, WalkVisitor& visitor) {
  // The folder named is followed like a named file; nothing below it is.
  Descriptor top(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
  if (top.get() < 0) return visitor.Unreadable(path, Failed(kConvertOpenFailed, errno));
  struct stat st;
  if (::fstat(top.get(), &st) != 0) return visitor.Unreadable(path, Failed(kConvertOpenFailed, errno));
  if (!visitor.Enter(IdOf(st))) return true;
  return Walk(top.get(), path, visitor);
}

}  // namespace quenlo
