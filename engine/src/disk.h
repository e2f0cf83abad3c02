// The file operations the engine needs, behind an interface so that tests
// can make any one of them fail.
#ifndef QUENLO_DISK_H_
#define QUENLO_DISK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quenlo {

enum class FileKind { kMissing, kRegular, kOther };

// A file open for reading. The destructor closes it if Close was not called.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Bytes read into `buffer`, 0 at the end of the file, -1 on failure.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
  // Size in bytes when opened.
  virtual std::int64_t Size() = 0;
  virtual bool Close() = 0;
};

// A new file open for writing. The destructor closes it if Close was not called.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Writes all `size` bytes or fails.
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Pushes the written bytes to the device.
  virtual bool Flush() = 0;
  virtual bool Close() = 0;
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
  // Fails when `to` already exists.
  virtual bool Move(const std::string& from, const std::string& to) = 0;
  virtual std::unique_ptr<InputFile> OpenInput(const std::string& name) = 0;
  // Creates `name`, which must not exist, with the permissions of the file
  // `like` where the platform keeps them.
  virtual std::unique_ptr<OutputFile> CreateOutput(const std::string& name,
                                                   const std::string& like) = 0;
};

// The platform's own file system.
Disk& RealDisk();

}  // namespace quenlo

#endif  // QUENLO_DISK_H_
