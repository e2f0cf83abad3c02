// The file operations the engine needs, behind an interface so that tests
// can make any one of them fail. Operations whose failure the user must be
// told apart return a ConvertResult; the rest return true on success.
#ifndef QUENLO_DISK_H_
#define QUENLO_DISK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quenlo {

enum class FileKind { kMissing, kRegular, kOther };

// A file open for reading. The destructor closes it.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Bytes read into `buffer`, 0 at the end of the file, -1 on failure.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
  // Size in bytes when opened.
  virtual std::int64_t Size() = 0;
};

// The work file a conversion writes: created exclusively, and held so that
// no other conversion of the same file can start. Unless it was moved to
// the file's name, the destructor removes it.
class WorkFile {
 public:
  virtual ~WorkFile() = default;
  // Gives it the owner, permissions and attributes of `original`.
  virtual int CopyMetadata(InputFile& original) = 0;
  // Room for `size` bytes of output, valid until the next Write; filling it
  // in place saves a copy.
  virtual char* Room(std::size_t size) = 0;
  // Writes the first `size` bytes of the room: kConvertOk,
  // kConvertWriteFailed or kConvertDiskFull.
  virtual int Write(std::size_t size) = 0;
  // Appends the first `size` bytes of `original`, leaving its read position
  // alone: kConvertOk, kConvertReadFailed, kConvertWriteFailed or
  // kConvertDiskFull. Only before the first Write.
  virtual int CopyFrom(InputFile& original, std::int64_t size) = 0;
  // Pushes the written bytes to the device: kConvertOk, kConvertFlushFailed
  // or kConvertDiskFull.
  virtual int Flush() = 0;
  // Moves it to `name`, replacing an existing `name` only when `replace`:
  // kConvertOk, kConvertMoveFailed or kConvertInUse.
  virtual int MoveTo(const std::string& name, bool replace) = 0;
};

class Disk {
 public:
  virtual ~Disk() = default;
  // What the name is, following symbolic links; names with wildcard
  // characters are kOther where the platform treats them as patterns.
  virtual FileKind Kind(const std::string& name) = 0;
  // True when any directory entry of that name exists.
  virtual bool Exists(const std::string& name) = 0;
  // The name of the file itself: a symbolic link is followed to its target.
  virtual std::string Resolve(const std::string& name) = 0;
  virtual bool Remove(const std::string& name) = 0;
  // A second name for the file, failing when `to` exists or where the file
  // system or platform cannot give one.
  virtual bool Link(const std::string& from, const std::string& to) = 0;
  // Never replaces an existing `to`: kConvertOk, kConvertMoveFailed or kConvertInUse.
  virtual int Move(const std::string& from, const std::string& to) = 0;
  // Makes the moves in the directory holding `name` survive a crash.
  virtual void SyncDirectory(const std::string& name) = 0;
  // On failure `*result` is kConvertOpenFailed or kConvertInUse.
  virtual std::unique_ptr<InputFile> OpenInput(const std::string& name, int* result) = 0;
  // Creates the work file `name`. One left by a conversion that died is
  // replaced; a live one gives kConvertBusy. Other failures give
  // kConvertOpenFailed or kConvertDiskFull.
  virtual std::unique_ptr<WorkFile> CreateWork(const std::string& name, int* result) = 0;
};

// The platform's own file system.
Disk& RealDisk();

// The name's length in the form the name buffer holds it: its bytes on
// POSIX systems, its code page 932 form (a character that lacks counts as
// one byte) on Windows.
std::size_t NameBufferLength(const std::string& name);

}  // namespace quenlo

#endif  // QUENLO_DISK_H_
