// The backup protocol around the rewrite, over any Disk.
#ifndef QUENLO_CONVERT_H_
#define QUENLO_CONVERT_H_

#include <cstddef>
#include <memory>
#include <string>

#include "disk.h"
#include "status.h"
#include "quenlo/engine.h"

namespace quenlo {

// Half as many calls and wakes as 64 KiB buffers, and the input with its
// output still inside a core's L2 cache, which the kernel's copies need.
constexpr std::size_t kDefaultBufferSize = std::size_t{128} << 10;

// The names a conversion of a file uses in its directory.
struct ConversionNames {
  std::string file, backup, work, aside;
};

// One conversion in three phases, so that many can share one flush: Prepare
// fills the work file (steps 1 and 2 but the flush); Flush pushes it to the
// device, unless the caller flushed its whole file system; Commit gives it
// the name. A conversion dropped between them leaves the file as it was.
class Conversion {
 public:
  Conversion(Disk& disk, LineBreakStyle style, bool keep_backup, ConvertMode mode,
             std::size_t buffer_size = kDefaultBufferSize);
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;
  ~Conversion();

  // With `expected`, a file under the name that is not that one is refused
  // as changed before anything is touched; `same_file_only` compares only
  // the device and inode, as a walk found the file.
  Status Prepare(const char* name, ConvertProgress progress, void* context,
                 const QuenloIdentity* expected = nullptr, bool same_file_only = false);
  // Prepare succeeded and the new content waits for Flush and Commit; when
  // false after a success, the file was already in the style and is done.
  bool waiting() const { return waiting_; }
  bool unchanged() const { return unchanged_; }
  bool recovered() const { return recovered_; }
  const FileState& original() const { return original_; }
  // The file's folder as messages show it, with its separator.
  const std::string& folder() const { return folder_; }
  // The folder, open, for its flush after Commit(true); the conversion
  // needs it no more.
  std::unique_ptr<Directory> TakeDirectory() { return std::move(dir_); }

  // `on_device`: the caller flushed the file system that holds it. Asks
  // `progress` last, with the whole size; a cancel there leaves the file.
  Status Flush(bool on_device, ConvertProgress progress, void* context);
  // `sync_later`: the caller flushes the directory (TakeDirectory), once
  // for all the files of a group in it.
  Status Commit(bool sync_later);

  // Every file's written data on the directory's file system to the device
  // in one call; false where that cannot be had.
  bool FlushFileSystem();

 private:
  // The status with the names and the identity this conversion used.
  Status Told(Status status) const;

  Disk& disk_;
  const LineBreakStyle style_;
  const bool keep_backup_;
  const ConvertMode mode_;
  const std::size_t buffer_size_;
  std::unique_ptr<Directory> dir_;
  std::unique_ptr<WorkFile> work_;
  std::string folder_;  // the file's folder as messages show it, with its separator
  ConversionNames names_;
  FileState original_;
  FileState stale_state_;
  bool stale_ = false;  // stale_state_ is an old backup
  bool waiting_ = false;
  bool unchanged_ = false;
  bool recovered_ = false;
};

// One conversion, by the protocol at the top of convert.cpp: the name holds
// the whole former content until the whole new content replaces it; on
// failure or cancel nothing changes. A file it would not change is not
// rewritten. With `expected`, a file under the name that is not that one
// is refused as changed before anything is touched.
Status ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                   std::size_t buffer_size = kDefaultBufferSize,
                   ConvertProgress progress = nullptr, void* context = nullptr,
                   ConvertMode mode = kModeDetect, const QuenloIdentity* expected = nullptr);

NameKind KindOfName(Disk& disk, const char* name);

// True for the names a conversion makes for its own use beside a file: a
// work file, or an old backup set aside.
bool IsOwnFile(const std::string& base);

// True when `name` is a backup's name, with `*stem` the name of its file.
bool IsBackupName(const std::string& name, std::string* stem);

// True when the name leaves room in the name buffer for the backup's suffix.
bool FitsNameBuffer(const char* name);

// The backup's name: beside the file itself when the name is a symbolic link.
std::string BackupName(Disk& disk, const char* name);

// The work file's name, beside the file as the backup is.
std::string WorkName(Disk& disk, const char* name);

}  // namespace quenlo

#endif  // QUENLO_CONVERT_H_
