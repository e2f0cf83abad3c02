// The replace protocol. The name is resolved once and its directory opened
// once; every step below goes through that directory by plain names and
// follows no link. One conversion of FILE, in this order:
//
//   step                           on disk after it           a crash here leaves
//   1 create FILE.~ql, locked      FILE, FILE.~ql (empty)     a stale FILE.~ql: the next
//                                                             run replaces it
//   2 fill FILE.~ql, flush it      FILE, FILE.~ql (whole)     the same
//   3 check FILE is the file read, unchanged (same identity, size and time)
//   without -R:
//   4 rename FILE.~ql over FILE    FILE (new)                 done
//   5 remove a stale FILE.bak      FILE (new)                 done, the stale one kept
//   with -R:
//   4 move an old FILE.bak aside   FILE, ~ql, FILE.~qb (old)  FILE whole; the next run
//     to FILE.~qb                                             puts FILE.~qb back
//   5 link FILE to FILE.bak        FILE = FILE.bak, ~ql, ~qb  FILE whole; the next run
//                                                             removes FILE.~qb
//   6 rename FILE.~ql over FILE    FILE (new), FILE.bak, ~qb  the same
//   7 remove FILE.~qb              FILE (new), FILE.bak       done
//
// Where there are no hard links (FAT, exFAT; Windows does not count on its
// replacing rename there either), step 5 moves FILE to FILE.bak and step 6
// moves FILE.~ql to the free name, and without -R FILE.bak is removed at the
// end. Between those two moves the name is absent: the content is whole in
// FILE.bak and FILE.~ql, and the next run, finding the name absent, FILE.bak
// present and FILE.~ql held by no one, moves FILE.bak back first and then
// converts.
//
// Any failure or cancel removes FILE.~ql and leaves FILE as it was, and an
// old FILE.bak too: moved aside, it is put back. Only if putting the
// original back fails is it left as FILE.bak, which the result says
// (kConvertNotRestored). Nothing reaches the name before it is complete and
// on the device, so a power cut after step 2 loses nothing either, given a
// file system that honours fsync. A FILE.bak is removed only when it is the
// file this run saw or made there.
//
// A file the conversion would not change stops after step 2 with nothing
// written: it keeps its identity, times and links. Only the backup changes:
// with -R the work file takes a copy and becomes FILE.bak (an old one moved
// aside first, as above); without, a stale FILE.bak is removed.
#include "convert.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "line_breaks.h"

namespace quenlo {

namespace {

// All add four bytes to the name, so they fit the same name buffer.
constexpr char kBackupSuffix[] = ".bak";
constexpr char kWorkSuffix[] = ".~ql";
constexpr char kAsideSuffix[] = ".~qb";
static_assert(sizeof(kBackupSuffix) == sizeof(kWorkSuffix), "one name budget");
static_assert(sizeof(kAsideSuffix) == sizeof(kWorkSuffix), "one name budget");

// Buffers a read takes while nothing has changed.
constexpr std::size_t kSkimReads = 4;

using Names = ConversionNames;

// `base` and a suffix, or, where that is over the directory's limit, a
// shorter name still made from `base` alone, so that every run of the same
// file finds the same work file.
std::string Derived(const std::string& base, const char* suffix, std::size_t limit) {
  const std::string plain = base + suffix;
  if (plain.size() <= limit) return plain;
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : base) hash = (hash ^ c) * 16777619u;
  char tag[16];
  std::snprintf(tag, sizeof(tag), "~%08x", static_cast<unsigned>(hash));
  const std::size_t keep = limit - std::char_traits<char>::length(suffix) - 9;
  return base.substr(0, keep) + tag + suffix;
}

bool Cancelled(ConvertProgress progress, void* context, std::int64_t done, std::int64_t total) {
  return progress && !progress(context, done, total);
}

// The same failure under the result that names what the step was for.
Status As(Status status, ConvertResult generic, ConvertResult meant) {
  if (status.result == generic) status.result = meant;
  return status;
}

// Streams the original through the rewriter into the work file (step 2).
// Nothing is written while the output equals the input: at the first change
// the unchanged part is copied from the original, and the rest follows.
// `*unchanged` tells whether that point never came.
Status Fill(InputFile& input, WorkFile& work, LineBreakRewriter& rewriter,
            std::size_t buffer_size, ConvertProgress progress, void* context, bool* unchanged) {
  // While nothing changes, larger reads: fewer calls, and nothing to write.
  std::vector<char> in(buffer_size * kSkimReads);
  const std::int64_t total = input.Size();
  std::int64_t done = 0;
  std::int64_t same = 0;  // output so far, while it equals the input
  bool writing = false;
  // Every buffer's output goes through here, the held tail's last.
  auto put = [&](std::size_t size) {
    if (!writing && rewriter.changed()) {
      writing = true;
      Status copied = work.CopyFrom(input, same);
      if (!copied.ok()) return copied.At(Step::kWrite);
    }
    if (writing) return work.Write(size).At(Step::kWrite);
    same += static_cast<std::int64_t>(size);
    return Status();
  };
  for (;;) {
    std::size_t got = 0;
    Status read = input.Read(in.data(), writing ? buffer_size : in.size(), &got);
    if (!read.ok()) return read.At(Step::kRead);
    if (got == 0) break;
    // A buffer at a time, so the output keeps its size and progress its pace.
    for (std::size_t at = 0; at < got; at += buffer_size) {
      const std::size_t size = std::min(buffer_size, got - at);
      if (!writing && rewriter.Skim(in.data() + at, size)) {
        same += static_cast<std::int64_t>(size);
      } else {
        char* out = work.Room(LineBreakRewriter::MaxOutput(size));
        const std::size_t size_out = rewriter.Rewrite(in.data() + at, size, out);
        if (rewriter.binary()) return Failed(kConvertBinary).At(Step::kRead);
        Status written = put(size_out);
        if (!written.ok()) return written;
      }
      done += static_cast<std::int64_t>(size);
      if (Cancelled(progress, context, done, total))
        return Failed(kConvertCancelled).At(Step::kRead);
    }
  }
  const std::size_t tail = rewriter.Finish(work.Room(LineBreakRewriter::MaxOutput(0)));
  if (rewriter.binary()) return Failed(kConvertBinary).At(Step::kRead);
  Status written = put(tail);
  if (!written.ok()) return written;
  *unchanged = !writing;
  return Status();
}

// Pushes the work file to the device; the flush may take long, so a cancel
// meanwhile still counts.
Status Flush(WorkFile& work, ConvertProgress progress, void* context, std::int64_t size) {
  Status flushed = work.Flush();
  if (!flushed.ok()) return flushed.At(Step::kFlush);
  if (Cancelled(progress, context, size, size)) return Failed(kConvertCancelled).At(Step::kFlush);
  return Status();
}

// Removes `name` only while it is still `expected`: another run may have
// put its own file there since.
void RemoveIfSame(Directory& dir, const std::string& name, const FileState& expected) {
  FileState now;
  if (dir.State(name, &now) && now.SameFile(expected)) dir.Remove(name);
}

// An old backup, moved aside for the commit and put back should it fail.
class AsideBackup {
 public:
  AsideBackup(Directory& dir, const Names& names) : dir_(dir), names_(names) {}
  AsideBackup(const AsideBackup&) = delete;
  AsideBackup& operator=(const AsideBackup&) = delete;
  ~AsideBackup() {
    if (moved_ && !kept_) dir_.Move(names_.aside, names_.backup);
  }

  // Step 4: `old` is the backup as this run first saw it.
  Status Move(const FileState* old) {
    if (!old) return Status();
    // One a crash left there holds no more than a stale backup.
    if (dir_.Exists(names_.aside)) dir_.Remove(names_.aside);
    Status status = dir_.Move(names_.backup, names_.aside);
    if (!status.ok()) return As(status, kConvertMoveFailed, kConvertStaleBackup).At(Step::kRemoveStale);
    moved_ = true;
    state_ = *old;
    return Status();
  }
  // The commit is done: the old backup goes.
  void Drop() {
    kept_ = true;
    if (moved_) RemoveIfSame(dir_, names_.aside, state_);
  }

 private:
  Directory& dir_;
  const Names& names_;
  FileState state_;
  bool moved_ = false;
  bool kept_ = false;
};

// Steps 3 to the end, once the work file is complete and on the device.
// `sync_later`: on the plain path the caller flushes the directory, once
// for many files.
Status TakeName(Directory& dir, WorkFile& work, const Names& names, const FileState& original,
                const FileState* stale, bool keep_backup, bool sync_later) {
  FileState now;
  if (!dir.State(names.file, &now) || !now.Unchanged(original))
    return Failed(kConvertFileChanged).At(Step::kTakeName);

  if (!keep_backup && dir.ReplacesByRename()) {
    Status status = work.MoveTo(names.file, true);
    if (!status.ok()) return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    if (!sync_later) dir.Sync();
    if (stale) RemoveIfSame(dir, names.backup, *stale);
    return Status();
  }

  AsideBackup aside(dir, names);
  Status status = aside.Move(stale);
  if (!status.ok()) return status;
  if (dir.ReplacesByRename() && dir.Link(names.file, names.backup)) {
    // The name is never absent: the rename swaps the new content in.
    status = work.MoveTo(names.file, true);
    if (!status.ok()) {
      RemoveIfSame(dir, names.backup, original);
      return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    }
  } else {
    status = dir.Move(names.file, names.backup);
    if (!status.ok()) return status.At(Step::kMakeBackup);
    status = work.MoveTo(names.file, false);
    if (!status.ok()) {
      Status restored = dir.Move(names.backup, names.file);
      if (!restored.ok()) {
        // The original stays the backup: the old one must not come back over it.
        aside.Drop();
        return Failed(kConvertNotRestored, restored.error).At(Step::kRestore);
      }
      return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    }
  }
  dir.Sync();
  aside.Drop();
  // A backup that will not go is simply kept.
  if (!keep_backup) RemoveIfSame(dir, names.backup, original);
  return Status();
}

// A file already in the style: only the backup changes.
Status KeepAsItIs(Directory& dir, InputFile& input, WorkFile& work, const Names& names,
                  const FileState* stale, bool keep_backup, ConvertProgress progress,
                  void* context) {
  if (!keep_backup) {
    if (stale) RemoveIfSame(dir, names.backup, *stale);
    return Status();
  }
  const std::int64_t size = input.Size();
  Status status = work.CopyFrom(input, size);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  status = work.CopyMode(input);
  if (!status.ok()) return status.At(Step::kMetadata);
  status = Flush(work, progress, context, size);
  if (!status.ok()) return status;
  AsideBackup aside(dir, names);
  status = aside.Move(stale);
  if (!status.ok()) return status;
  status = work.MoveTo(names.backup, false);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  dir.Sync();
  aside.Drop();
  return Status();
}

// A conversion killed between its two moves left the name absent, the
// original as FILE.bak and the new content in a FILE.~ql that no one holds.
bool Recoverable(Directory& dir, const Names& names) {
  FileState backup;
  return !dir.Exists(names.file) && dir.State(names.backup, &backup) && dir.Exists(names.work) &&
         !dir.IsHeld(names.work);
}

// Puts back the original of a Recoverable conversion. True when it did.
bool Recover(Directory& dir, const Names& names, Status* status) {
  if (!Recoverable(dir, names)) return false;
  *status = dir.Move(names.backup, names.file);
  if (!status->ok()) {
    *status = status->At(Step::kRestore);
    return false;
  }
  // An older backup that run had moved aside goes back too.
  if (dir.Exists(names.aside)) dir.Move(names.aside, names.backup);
  dir.Sync();
  return true;
}

bool IsStyle(LineBreakStyle style) {
  return style == kStyleCrLf || style == kStyleCr || style == kStyleLf;
}

Names NamesIn(Directory& dir, const std::string& base) {
  const std::size_t limit = dir.NameLimit();
  return {base, base + kBackupSuffix, Derived(base, kWorkSuffix, limit),
          Derived(base, kAsideSuffix, limit)};
}

}  // namespace

Conversion::Conversion(Disk& disk, LineBreakStyle style, bool keep_backup, ConvertMode mode,
                       std::size_t buffer_size)
    : disk_(disk), style_(style), keep_backup_(keep_backup), mode_(mode),
      buffer_size_(buffer_size) {}

Conversion::~Conversion() = default;

Status Conversion::Prepare(const char* name, ConvertProgress progress, void* context,
                           const FileState* expected) {
  if (!IsStyle(style_) || (mode_ != kModeDetect && mode_ != kModeBytes))
    return Failed(kConvertBadStyle).At(Step::kCheckName);
  if (!name || !*name) return Failed(kConvertNotAFile).At(Step::kCheckName);
  if (!FitsNameBuffer(name)) return Failed(kConvertNameTooLong).At(Step::kCheckName);
  const FileKind kind = disk_.Kind(name);
  if (kind == FileKind::kOther) return Failed(kConvertNotAFile).At(Step::kCheckName);

  // Resolved once: from here on no step follows a link.
  const ResolvedName resolved = disk_.Resolve(name);
  directory_path_ = resolved.directory;
  Status status;
  dir_ = disk_.OpenDirectory(resolved.directory, &status);
  if (!dir_) return kind == FileKind::kMissing ? Failed(kConvertNotAFile).At(Step::kCheckName)
                                               : status.At(Step::kOpen);
  Directory& dir = *dir_;
  names_ = NamesIn(dir, resolved.base);
  const Names& names = names_;
  if (kind == FileKind::kMissing) {
    recovered_ = Recover(dir, names, &status);
    if (!recovered_) return status.ok() ? Failed(kConvertNotAFile).At(Step::kCheckName) : status;
  }
  if (names.backup.size() > dir.NameLimit() && (keep_backup_ || !dir.ReplacesByRename()))
    return Failed(kConvertBackupNameTooLong).At(Step::kCheckName);

  // Step 1. The work file comes first: it is the lock against a second conversion.
  work_ = dir.CreateWork(names.work, &status);
  if (!work_) return status.At(Step::kCreateWork);
  // Held now, so no other run is between its moves: an old backup a killed
  // run had moved aside goes back, or, with a newer one in place, goes.
  if (dir.Exists(names.aside) && !dir.Move(names.aside, names.backup).ok())
    dir.Remove(names.aside);
  std::unique_ptr<InputFile> input = dir.OpenInput(names.file, &status);
  if (!input) return status.At(Step::kOpen);
  original_ = input->State();
  // A file found in a walk and replaced since is not the one found.
  if (expected && !original_.SameFile(*expected)) return Failed(kConvertFileChanged).At(Step::kOpen);
  stale_ = dir.State(names.backup, &stale_state_);
  if (!stale_ && dir.Exists(names.backup))
    return Failed(kConvertStaleBackup).At(Step::kRemoveStale);
  status = work_->CopyMetadata(*input);
  if (!status.ok()) return status.At(Step::kMetadata);

  LineBreakRewriter rewriter(style_, mode_ == kModeDetect);
  status = Fill(*input, *work_, rewriter, buffer_size_, progress, context, &unchanged_);
  if (status.ok() && !input->State().Unchanged(original_))
    status = Failed(kConvertFileChanged).At(Step::kRead);
  if (!status.ok()) return status;
  if (unchanged_) {
    status = KeepAsItIs(dir, *input, *work_, names, stale_ ? &stale_state_ : nullptr, keep_backup_,
                        progress, context);
    work_.reset();
    return status;
  }
  status = work_->CopyMode(*input).At(Step::kMetadata);
  if (status.ok()) waiting_ = true;
  return status;
}

Status Conversion::Flush(bool on_device, ConvertProgress progress, void* context) {
  const std::int64_t size = original_.size;
  Status status = on_device ? Status() : work_->Flush().At(Step::kFlush);
  if (status.ok() && Cancelled(progress, context, size, size))
    status = Failed(kConvertCancelled).At(Step::kFlush);
  if (!status.ok()) {
    waiting_ = false;
    work_.reset();
  }
  return status;
}

Status Conversion::Commit(bool sync_later) {
  waiting_ = false;
  const Status status = TakeName(*dir_, *work_, names_, original_,
                                 stale_ ? &stale_state_ : nullptr, keep_backup_, sync_later);
  work_.reset();
  return status;
}

bool Conversion::FlushFileSystem() { return dir_ && dir_->FlushFileSystem(); }

void Conversion::SyncDirectory() {
  if (dir_) dir_->Sync();
}

Status ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                   std::size_t buffer_size, ConvertProgress progress, void* context,
                   ConvertMode mode) {
  Conversion conversion(disk, style, keep_backup, mode, buffer_size);
  Status status = conversion.Prepare(name, progress, context);
  if (status.ok() && conversion.waiting()) {
    status = conversion.Flush(false, progress, context);
    if (status.ok()) status = conversion.Commit(false);
  }
  status.recovered = conversion.recovered();
  return status;
}

NameKind KindOfName(Disk& disk, const char* name) {
  if (!name || !*name) return kNameNotAFile;
  switch (disk.Kind(name)) {
    case FileKind::kRegular:
      return kNameConvertible;
    case FileKind::kOther:
      return kNameNotAFile;
    case FileKind::kMissing:
      break;
  }
  const ResolvedName resolved = disk.Resolve(name);
  Status status;
  std::unique_ptr<Directory> dir = disk.OpenDirectory(resolved.directory, &status);
  if (!dir) return kNameMissing;
  return Recoverable(*dir, NamesIn(*dir, resolved.base)) ? kNameConvertible : kNameMissing;
}

bool FitsNameBuffer(const char* name) {
  return NameBufferLength(name) + sizeof(kBackupSuffix) <= static_cast<std::size_t>(kNameBufferSize);
}

std::string BackupName(Disk& disk, const char* name) {
  return disk.Resolve(name).full + kBackupSuffix;
}

std::string WorkName(Disk& disk, const char* name) {
  const ResolvedName resolved = disk.Resolve(name);
  Status status;
  std::unique_ptr<Directory> dir = disk.OpenDirectory(resolved.directory, &status);
  // A directory that will not open has no limit to read: the plain name.
  const std::string work = dir ? NamesIn(*dir, resolved.base).work : resolved.base + kWorkSuffix;
  return resolved.full.substr(0, resolved.full.size() - resolved.base.size()) + work;
}

}  // namespace quenlo
