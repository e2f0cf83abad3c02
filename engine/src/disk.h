// The file operations the engine needs, behind an interface so that tests
// can make any one of them fail or record their order. Every call on a
// directory or a file returns a Status: what it came to, the system's error
// and the entry it touched; the conversion adds the step it was at.
#ifndef QUENLO_DISK_H_
#define QUENLO_DISK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "status.h"

namespace quenlo {

enum class FileKind { kMissing, kRegular, kOther };

// What tells one file from another, and whether it changed. The change time
// moves with every write, permission change or time set, and no program can
// set it back.
struct FileState {
  FileKind kind = FileKind::kMissing;
  std::uint64_t volume = 0;  // device, or volume serial number
  std::uint64_t id = 0;      // inode, or file index
  std::int64_t size = 0;
  std::int64_t modified = 0;  // in the system's own ticks
  std::int64_t changed = 0;   // the change time, in the same ticks

  bool SameFile(const FileState& other) const { return volume == other.volume && id == other.id; }
  bool Unchanged(const FileState& other) const {
    return SameFile(other) && size == other.size && modified == other.modified &&
           changed == other.changed;
  }
};

// The platform's own handle of an open file, so that a call given two files
// reaches both without knowing their classes.
#ifdef _WIN32
using NativeFile = void*;
#else
using NativeFile = int;
#endif

// A file open for reading. The destructor closes it.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads into `buffer`; `*got` is 0 at the end of the file. Fails with
  // kConvertReadFailed.
  virtual Status Read(char* buffer, std::size_t size, std::size_t* got) = 0;
  // Whether ReadAt may run on another thread beside Read.
  virtual bool ReadsAt() const { return false; }
  // Reads at `offset`, leaving Read's position alone.
  virtual Status ReadAt(std::int64_t offset, char* buffer, std::size_t size, std::size_t* got) {
    (void)offset, (void)buffer, (void)size, (void)got;
    return Failed(kConvertReadFailed);
  }
  // Moves Read's position to `offset`.
  virtual Status Seek(std::int64_t offset) {
    (void)offset;
    return Failed(kConvertReadFailed);
  }
  // As the open file is now: kConvertReadFailed when the system cannot say.
  virtual Status State(FileState* state) = 0;
  virtual NativeFile native() const = 0;
};

// The work file a conversion writes: created exclusively, and held so that
// no other conversion of the same file can start. Unless it was moved to
// another name, the destructor removes it.
class WorkFile {
 public:
  virtual ~WorkFile() = default;
  // Before any data: gives it the owner and the extended attributes of
  // `original`, and no others.
  virtual Status CopyMetadata(InputFile& original) = 0;
  // After the data, which would clear them: the permissions, set-id bits
  // and file capabilities of `original`.
  virtual Status CopyMode(InputFile& original) = 0;
  // Room for `size` bytes of output, valid until the next Write; filling it
  // in place saves a copy.
  virtual char* Room(std::size_t size) = 0;
  // Writes the first `size` bytes of the room: kConvertOk,
  // kConvertWriteFailed or kConvertDiskFull.
  virtual Status Write(std::size_t size) = 0;
  // Appends the first `size` bytes of `original`, leaving its read position
  // alone: kConvertOk, kConvertReadFailed, kConvertWriteFailed,
  // kConvertDiskFull, or kConvertFileChanged when `original` ends before.
  // Only before the first Write.
  virtual Status CopyFrom(InputFile& original, std::int64_t size) = 0;
  // Pushes the written bytes to the device: kConvertOk, kConvertFlushFailed
  // or kConvertDiskFull.
  virtual Status Flush() = 0;
  // Moves it to `name` in its directory, replacing an existing `name` only
  // when `replace`: kConvertMoveFailed or kConvertInUse. Fails without a
  // move when its own name no longer holds it.
  virtual Status MoveTo(const std::string& name, bool replace) = 0;
};

// The directory that holds the file, opened once. Every step of a
// conversion goes through it by plain names, and no step follows a link:
// a name or a directory swapped meanwhile leads nowhere else. A failure
// names the entry it touched.
class Directory {
 public:
  virtual ~Directory() = default;
  // The entry `name` itself, a link not followed: its kind, and for a
  // regular file its state. A missing entry is no failure.
  virtual Status State(const std::string& name, FileState* state) = 0;
  // Whether there is any entry `name`.
  virtual Status Exists(const std::string& name, bool* exists) = 0;
  virtual Status Remove(const std::string& name) = 0;
  // A second name for the file, failing when `to` exists or where the file
  // system or platform cannot give one; the error tells which.
  virtual Status Link(const std::string& from, const std::string& to) = 0;
  // Never replaces an existing `to`: kConvertMoveFailed or kConvertInUse.
  virtual Status Move(const std::string& from, const std::string& to) = 0;
  // Makes the moves in it survive a crash: kConvertFlushFailed.
  virtual Status Sync() = 0;
  // Pushes the written data of every file on its file system to the device
  // in one call, reporting any failure; false where the platform has no
  // such call or it failed: each file is then flushed on its own.
  virtual bool FlushFileSystem() { return false; }
  // True where renaming over an existing file replaces it in one step.
  virtual bool ReplacesByRename() = 0;
  // The longest name it takes.
  virtual std::size_t NameLimit() = 0;
  // Opens a regular file: kConvertOpenFailed, kConvertInUse, or kConvertBusy
  // while a conversion writes it as its work file.
  virtual Status OpenInput(const std::string& name, std::unique_ptr<InputFile>* input) = 0;
  // Creates the work file `name`. One left by a conversion that died is
  // replaced; a live one gives kConvertBusy. Other failures give
  // kConvertWorkFileFailed or kConvertDiskFull.
  virtual Status CreateWork(const std::string& name, std::unique_ptr<WorkFile>* work) = 0;
  // Whether a live conversion holds the work file `name`.
  virtual Status IsHeld(const std::string& name, bool* held) = 0;
};

// A name resolved once: the file it leads to, and the directory that holds
// it, open.
struct Located {
  FileKind kind = FileKind::kMissing;
  std::string base;  // its name in the directory
  std::string full;  // its full name, as messages show it
  // Null where the name leads to no directory: nothing there, nor to recover.
  std::unique_ptr<Directory> directory;
};

class Disk {
 public:
  virtual ~Disk() = default;
  // Follows the name to the file, symbolic links included, and opens the
  // directory that holds it, from where no step follows a link again. A
  // name that is missing or no file is no failure: `kind` tells. Names
  // with wildcard characters are kOther where the platform treats them as
  // patterns. Fails with kConvertLinkNotTrusted for a link whose owner is
  // neither the caller nor the system, and with kConvertReadFailed or
  // kConvertOpenFailed where the system cannot tell.
  virtual Status Locate(const std::string& name, Located* located) = 0;
};

// The platform's own file system.
Disk& RealDisk();

// The name's length in the form the name buffer holds it: its bytes on
// POSIX systems, its code page 932 form (a character that lacks counts as
// one byte) on Windows.
std::size_t NameBufferLength(const std::string& name);

// The name's length as a directory's NameLimit counts it: its bytes on POSIX
// systems, its UTF-16 code units on Windows.
std::size_t NameLength(const std::string& name);

// The longest start of the name whose NameLength is at most `length`; on
// Windows no character is cut in two.
std::string NameStart(const std::string& name, std::size_t length);

}  // namespace quenlo

#endif  // QUENLO_DISK_H_
