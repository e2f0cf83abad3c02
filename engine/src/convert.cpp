// The replace protocol. The name is followed once, a part at a time, and
// its directory opened once; every step below goes through that directory
// by plain names and follows no link. One conversion of FILE, in this order:
//
//   step                           on disk after it           a crash here leaves
//   1 create FILE.~ql, locked      FILE, FILE.~ql (empty)     a stale FILE.~ql: the next
//                                                             run replaces it
//   2 fill FILE.~ql, flush it      FILE, FILE.~ql (whole)     the same
//     (a large one is flushed in stretches as well while it is filled, so
//     that the device works meanwhile; only the flush at the end counts)
//   3 check FILE is the file read, unchanged (same identity, size, and
//     modification and change times: a permission change or a time put
//     back moves the change time, which no program can set)
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
// After the rename onto FILE the folder is flushed; should that fail, the
// file is converted and the result says its folder may not survive a crash.
// Many files in one run (batch.cpp) keep this order and share the flushes:
// a group's work files are flushed together before any takes its name, and
// each folder once after, before any file of the group is reported done.
//
// Where there are no hard links (FAT, exFAT; Windows does not count on its
// replacing rename there either), step 5 moves FILE to FILE.bak and step 6
// moves FILE.~ql to the free name, and without -R FILE.bak is removed at the
// end. NoHardLinks below is the one place that tells a link error meaning
// that from any other, which fails the run with nothing changed. Between
// those two moves the name is absent: the content is whole in
// FILE.bak and FILE.~ql, and the next run, finding the name absent, FILE.bak
// present and FILE.~ql held by no one, moves FILE.bak back first and then
// converts.
//
// Any failure or cancel removes FILE.~ql and leaves FILE as it was, and an
// old FILE.bak too: moved aside, it is put back. Only if putting the
// original back fails is it left as FILE.bak, which the result says
// (kConvertNotRestored); only if putting the old backup back fails is it
// left as FILE.~qb, which the result names (kConvertOldBackupAside). A
// FILE.~qb is removed only while a FILE.bak stands in its place. Nothing
// reaches the name before it is complete and on the device, so a power cut
// after step 2 loses nothing either, given a file system that honours
// fsync. A stale FILE.bak is removed only while it is, size and times
// included, the file this run saw there; one this run made, while it is
// that file. Only a regular file counts as FILE.~ql, FILE.bak or FILE.~qb:
// a folder or a link under one of those names stops the run before step 1,
// and the result names it.
//
// A file the conversion would not change stops after step 2 with nothing
// written: it keeps its identity, times and links. Only the backup changes:
// with -R the work file takes a copy and becomes FILE.bak (an old one moved
// aside first, as above); without, a stale FILE.bak is removed. Without -R
// such a file needs no work file at all: where step 1 fails (a read-only
// file system), reading it through is enough to say it is done.
#include "convert.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "line_breaks.h"
#include "skim_ahead.h"

namespace quenlo {

namespace {

// All add four bytes to the name, so they fit the same name buffer.
constexpr char kBackupSuffix[] = ".bak";
constexpr char kWorkSuffix[] = ".~ql";
constexpr char kAsideSuffix[] = ".~qb";
static_assert(sizeof(kBackupSuffix) == sizeof(kWorkSuffix), "one name budget");
static_assert(sizeof(kAsideSuffix) == sizeof(kWorkSuffix), "one name budget");

bool EndsWith(const std::string& name, const char* suffix) {
  const std::size_t length = std::char_traits<char>::length(suffix);
  return name.size() >= length && name.compare(name.size() - length, length, suffix) == 0;
}

// Buffers a read takes while nothing has changed.
constexpr std::size_t kSkimReads = 2;
// Buffers left to read, at least, for the second half to be checked on a
// second thread: a thread costs about as much as reading 1 MiB.
constexpr std::size_t kAheadBuffers = 64;

using Names = ConversionNames;

// `base` and a suffix, or, where that is over the directory's limit, a
// shorter name still made from `base` alone, so that every run of the same
// file finds the same work file. The hash is 64 bits wide: two names that
// share the kept start must not meet on one work file.
std::string Derived(const std::string& base, const char* suffix, std::size_t limit) {
  const std::string plain = base + suffix;
  if (NameLength(plain) <= limit) return plain;
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (unsigned char c : base) hash = (hash ^ c) * 1099511628211u;
  char tag[24];
  std::snprintf(tag, sizeof(tag), "~%016llx", static_cast<unsigned long long>(hash));
  const std::size_t keep = limit - std::char_traits<char>::length(suffix) - 17;
  return NameStart(base, keep) + tag + suffix;
}

// The one place that decides which failures of a hard link send the commit
// to the two moves: those that say the file system or platform gives no
// second name here (FAT and exFAT, some network file systems, a file at its
// link limit, a kernel that protects others' files from links). Any other
// error (no room, no access, an entry in the way) fails the run with
// nothing changed: the two moves leave the name absent for a moment, which
// -R on a volume with links must never do.
bool NoHardLinks(const Status& linked) {
#ifdef _WIN32
  constexpr int kInvalidFunction = 1, kNotSupported = 50, kTooManyLinks = 1142;
  return linked.error == kInvalidFunction || linked.error == kNotSupported ||
         linked.error == kTooManyLinks;
#else
  return linked.error == EPERM || linked.error == EOPNOTSUPP || linked.error == EMLINK ||
         linked.error == ENOSYS;
#endif
}

bool Cancelled(ConvertProgress progress, void* context, std::int64_t done, std::int64_t total) {
  return progress && !progress(context, done, total);
}

// The same failure under the result that names what the step was for.
Status As(Status status, ConvertResult generic, ConvertResult meant) {
  if (status.result == generic) status.result = meant;
  return status;
}

// The refusal of a file that is no text, by what it looks like.
Status Refused(const LineBreakRewriter& rewriter) {
  return Failed(rewriter.looks_utf16() ? kConvertUtf16NoBom : kConvertBinary).At(Step::kRead);
}

// Streams the original through the rewriter into the work file (step 2).
// Nothing is written while the output equals the input: at the first change
// the unchanged part is copied from the original, and the rest follows.
// `*unchanged` tells whether that point never came.
Status Fill(InputFile& input, WorkFile& work, LineBreakRewriter& rewriter, std::int64_t total,
            std::size_t buffer_size, ConvertProgress progress, void* context, bool* unchanged) {
  // While nothing changes, larger reads: fewer calls, and nothing to write.
  // A small file gets a buffer of its size (and one byte to see the end):
  // many small files in one run then reuse the same few blocks of memory.
  const std::size_t want = total >= 0 && static_cast<std::uint64_t>(total) < buffer_size * kSkimReads
                               ? static_cast<std::size_t>(total) + 1
                               : buffer_size * kSkimReads;
  std::vector<char> in(want);
  const std::size_t chunk = std::min(buffer_size, in.size());
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
  // A large file being skimmed has its second half checked on a second
  // thread; the first half's reading stops where that starts.
  SkimAhead ahead;
  bool ahead_tried = false;
  std::int64_t ahead_from = -1;
  for (;;) {
    if (!ahead_tried && !writing &&
        total - done >= static_cast<std::int64_t>(kAheadBuffers * buffer_size) &&
        input.ReadsAt() && rewriter.CanSkimAhead()) {
      ahead_tried = true;
      const std::int64_t half = done + (total - done) / 2;
      if (ahead.Start(input, rewriter, half, total, buffer_size)) ahead_from = half;
    }
    if (ahead_from >= 0 && (writing || done == ahead_from)) {
      // Met: the rest stands as it is, unless a change came first.
      if (!writing && rewriter.CanSkimAhead() && ahead.Passed()) {
        Status moved = input.Seek(total);
        if (!moved.ok()) return moved.At(Step::kRead);
        same += total - done;
        done = total;
      }
      ahead.Stop();
      ahead_from = -1;
    }
    std::size_t want = writing ? chunk : in.size();
    if (ahead_from >= 0)
      want = static_cast<std::size_t>(std::min<std::int64_t>(want, ahead_from - done));
    std::size_t got = 0;
    Status read = input.Read(in.data(), want, &got);
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
        if (rewriter.binary()) return Refused(rewriter);
        Status written = put(size_out);
        if (!written.ok()) return written;
      }
      done += static_cast<std::int64_t>(size);
      if (Cancelled(progress, context, done, total))
        return Failed(kConvertCancelled).At(Step::kRead);
    }
  }
  const std::size_t tail = rewriter.Finish(work.Room(LineBreakRewriter::MaxOutput(0)));
  if (rewriter.binary()) return Refused(rewriter);
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

// Removes `name` only while it is still the file `expected`: another run
// or program may have put its own file there since. `whole` compares the
// full identity (size and times too); without, the same file is enough,
// for one this run linked or moved, which changes its change time. A
// backup that will not go is simply kept.
void RemoveIfSame(Directory& dir, const std::string& name, const FileState& expected, bool whole) {
  FileState now;
  if (!dir.State(name, &now).ok() || now.kind != FileKind::kRegular) return;
  if (whole ? now.Unchanged(expected) : now.SameFile(expected)) dir.Remove(name);
}

// The folder's entries pushed to the device once the file has its new
// content: a failure no longer undoes anything, but is told.
Status SyncAfterCommit(Directory& dir) {
  Status synced = dir.Sync();
  if (synced.ok()) return synced;
  return As(synced, kConvertFlushFailed, kConvertFolderNotFlushed).At(Step::kSyncFolder);
}

// An old backup, moved aside for the commit and put back should it fail.
// It is removed only once the commit made a new backup, or the run meant
// to remove the old one; put back failing, it stays where it is.
class AsideBackup {
 public:
  AsideBackup(Directory& dir, const Names& names) : dir_(dir), names_(names) {}
  AsideBackup(const AsideBackup&) = delete;
  AsideBackup& operator=(const AsideBackup&) = delete;

  // Step 4: `old` is the backup as this run first saw it.
  Status Move(const FileState* old) {
    if (!old) return Status();
    Status status = dir_.Move(names_.backup, names_.aside);
    if (!status.ok()) return As(status, kConvertMoveFailed, kConvertStaleBackup).At(Step::kRemoveStale);
    moved_ = true;
    state_ = *old;
    return Status();
  }
  // The commit is done: the old backup goes. Only the same file counts:
  // the move changed its change time, and so does a link to it where it
  // was the file itself.
  void Drop() {
    if (moved_) RemoveIfSame(dir_, names_.aside, state_, false);
    moved_ = false;
  }
  // The commit failed with `failure`: the old backup goes back under its
  // name. If it cannot, the failure says where it is.
  Status PutBack(Status failure) {
    if (!moved_) return failure;
    moved_ = false;
    Status back = dir_.Move(names_.aside, names_.backup);
    if (back.ok()) return failure;
    back.result = kConvertOldBackupAside;
    return back.At(Step::kPutBackOld);
  }

 private:
  Directory& dir_;
  const Names& names_;
  FileState state_;
  bool moved_ = false;
};

// Step 5 and 6 with -R, or where no rename replaces: the original keeps or
// takes the backup's name, and the new content takes the file's.
Status SwapIn(Directory& dir, WorkFile& work, const Names& names, const FileState& original) {
  if (dir.ReplacesByRename()) {
    Status linked = dir.Link(names.file, names.backup);
    if (linked.ok()) {
      // The name is never absent: the rename swaps the new content in.
      Status status = work.MoveTo(names.file, true);
      if (status.ok()) return status;
      RemoveIfSame(dir, names.backup, original, false);
      return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    }
    if (!NoHardLinks(linked)) return linked.At(Step::kMakeBackup);
  }
  Status status = dir.Move(names.file, names.backup);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  status = work.MoveTo(names.file, false);
  if (status.ok()) return status;
  Status restored = dir.Move(names.backup, names.file);
  if (!restored.ok()) {
    restored.result = kConvertNotRestored;
    return restored.At(Step::kRestore);
  }
  return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
}

// Steps 3 to the end, once the work file is complete and on the device.
// `sync_later`: on the plain path the caller flushes the folder, once for
// all the files of a group in it.
Status Commit(Directory& dir, WorkFile& work, const Names& names, const FileState& original,
              const FileState* stale, bool keep_backup, bool sync_later) {
  FileState now;
  Status status = dir.State(names.file, &now);
  if (!status.ok()) return status.At(Step::kTakeName);
  if (now.kind != FileKind::kRegular || !now.Unchanged(original))
    return Failed(kConvertFileChanged, 0, names.file).At(Step::kTakeName);

  if (!keep_backup && dir.ReplacesByRename()) {
    status = work.MoveTo(names.file, true);
    if (!status.ok()) return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    if (!sync_later) status = SyncAfterCommit(dir);
    if (stale) RemoveIfSame(dir, names.backup, *stale, true);
    return status;
  }

  AsideBackup aside(dir, names);
  status = aside.Move(stale);
  if (!status.ok()) return status;
  status = SwapIn(dir, work, names, original);
  // The original stays the backup: the old one must not come back over it.
  if (status.result == kConvertNotRestored) return status;
  if (!status.ok()) return aside.PutBack(status);
  status = SyncAfterCommit(dir);
  aside.Drop();
  if (!keep_backup) RemoveIfSame(dir, names.backup, original, false);
  return status;
}

// A file already in the style: only the backup changes.
Status KeepAsItIs(Directory& dir, InputFile& input, WorkFile& work, const Names& names,
                  const FileState& original, const FileState* stale, bool keep_backup,
                  ConvertProgress progress, void* context) {
  if (!keep_backup) {
    if (stale) RemoveIfSame(dir, names.backup, *stale, true);
    return Status();
  }
  Status status = work.CopyFrom(input, original.size);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  status = work.CopyMode(input);
  if (!status.ok()) return status.At(Step::kMetadata);
  status = Flush(work, progress, context, original.size);
  if (!status.ok()) return status;
  AsideBackup aside(dir, names);
  status = aside.Move(stale);
  if (!status.ok()) return status;
  status = work.MoveTo(names.backup, false);
  if (!status.ok()) return aside.PutBack(status.At(Step::kMakeBackup));
  status = SyncAfterCommit(dir);
  aside.Drop();
  return status;
}

// A conversion killed between its two moves left the name absent, the
// original as FILE.bak and the new content in a FILE.~ql that no one holds.
Status Recoverable(Directory& dir, const Names& names, bool* recoverable) {
  *recoverable = false;
  bool file = false, held = true;
  FileState backup, work;
  Status status = dir.Exists(names.file, &file);
  if (!status.ok() || file) return status;
  status = dir.State(names.backup, &backup);
  if (!status.ok() || backup.kind != FileKind::kRegular) return status;
  status = dir.State(names.work, &work);
  if (!status.ok() || work.kind != FileKind::kRegular) return status;
  status = dir.IsHeld(names.work, &held);
  *recoverable = status.ok() && !held;
  return status;
}

// Puts back the original of a Recoverable conversion; `*recovered` tells
// whether there was one. An older backup that run had moved aside comes
// back once this run holds the work file.
Status Recover(Directory& dir, const Names& names, bool* recovered) {
  Status status = Recoverable(dir, names, recovered);
  if (!status.ok()) return status.At(Step::kCheckName);
  if (!*recovered) return status;
  status = dir.Move(names.backup, names.file);
  if (!status.ok()) {
    *recovered = false;
    status.result = kConvertRecoveryFailed;
    return status.At(Step::kRestore);
  }
  return dir.Sync().At(Step::kRestore);
}

// Held the work file, so no other run is between its moves: an old backup
// a killed run had moved aside goes back, or, with a newer backup in its
// place, goes. One that cannot go back stays, and stops the run. Anything
// but a file under that name is no backup of ours, and is left alone.
Status SettleAside(Directory& dir, const Names& names) {
  FileState aside, backup;
  Status status = dir.State(names.aside, &aside);
  const bool file = aside.kind == FileKind::kRegular;
  if (status.ok() && file) status = dir.State(names.backup, &backup);
  if (!status.ok() || !file) return status.At(Step::kPutBackOld);
  if (backup.kind == FileKind::kRegular) {
    dir.Remove(names.aside);
    return Status();
  }
  status = dir.Move(names.aside, names.backup);
  if (status.ok()) return status;
  status.result = kConvertOldBackupAside;
  return status.At(Step::kPutBackOld);
}

bool IsStyle(LineBreakStyle style) {
  return style == kStyleCrLf || style == kStyleCr || style == kStyleLf;
}

Names NamesIn(Directory& dir, const std::string& base) {
  const std::size_t limit = dir.NameLimit();
  return {base, base + kBackupSuffix, Derived(base, kWorkSuffix, limit),
          Derived(base, kAsideSuffix, limit)};
}

// Only a regular file counts as a work file, a backup or a set-aside
// backup: a folder or a link under one of those names is left alone, and
// stops the run before any step, with a result that names it.
Status CheckBeside(Directory& dir, const Names& names) {
  const std::pair<const std::string*, ConvertResult> beside[] = {
      {&names.work, kConvertWorkNotAFile},
      {&names.backup, kConvertBackupNotAFile},
      {&names.aside, kConvertAsideNotAFile},
  };
  for (const auto& [name, result] : beside) {
    FileState state;
    Status status = dir.State(*name, &state);
    if (!status.ok()) return status.At(Step::kCheckName);
    if (state.kind == FileKind::kOther) return Failed(result, 0, *name).At(Step::kCheckName);
  }
  return Status();
}

QuenloIdentity IdentityOf(const FileState& state) {
  return {state.volume, state.id, state.size, state.modified, state.changed};
}

// True when `expected` is given and `file` is not it: by device and inode
// alone where `same_file_only`, as a folder walk saw the file.
bool OtherFile(const QuenloIdentity* expected, const QuenloIdentity& file, bool same_file_only) {
  if (!expected) return false;
  if (same_file_only) return expected->volume != file.volume || expected->id != file.id;
  return std::memcmp(expected, &file, sizeof(file)) != 0;
}

// Takes no output: it only tells whether the file would change.
class NoOutput : public WorkFile {
 public:
  Status CopyMetadata(InputFile&) override { return Status(); }
  Status CopyMode(InputFile&) override { return Status(); }
  char* Room(std::size_t size) override {
    room_.resize(std::max(room_.size(), size));
    return room_.data();
  }
  // The first change stops the read.
  Status Write(std::size_t) override { return Failed(kConvertFileChanged); }
  Status CopyFrom(InputFile&, std::int64_t) override { return Failed(kConvertFileChanged); }
  Status Flush() override { return Status(); }
  Status MoveTo(const std::string&, bool) override { return Failed(kConvertMoveFailed); }

 private:
  std::vector<char> room_;
};

// True when the file under the name reads as already in the style: no
// conversion would write anything.
bool AlreadyInStyle(Directory& dir, const Names& names, LineBreakStyle style,
                    std::size_t buffer_size, ConvertProgress progress, void* context,
                    ConvertMode mode, const QuenloIdentity* expected, bool same_file_only,
                    QuenloIdentity* file) {
  std::unique_ptr<InputFile> input;
  FileState original, now;
  if (!dir.OpenInput(names.file, &input).ok() || !input->State(&original).ok()) return false;
  *file = IdentityOf(original);
  if (OtherFile(expected, *file, same_file_only)) return false;
  NoOutput none;
  LineBreakRewriter rewriter(style, mode == kModeDetect);
  bool unchanged = false;
  return Fill(*input, none, rewriter, original.size, buffer_size, progress, context, &unchanged)
             .ok() &&
         unchanged && input->State(&now).ok() && now.Unchanged(original);
}

}  // namespace

Conversion::Conversion(Disk& disk, LineBreakStyle style, bool keep_backup, ConvertMode mode,
                       std::size_t buffer_size)
    : disk_(disk), style_(style), keep_backup_(keep_backup), mode_(mode),
      buffer_size_(buffer_size) {}

Conversion::~Conversion() = default;

Status Conversion::Told(Status status) const {
  // The names as messages show them, beside the file.
  if (!names_.file.empty()) {
    status.backup = folder_ + names_.backup;
    status.work = folder_ + names_.work;
    status.aside = folder_ + names_.aside;
  }
  status.recovered = recovered_;
  status.file = IdentityOf(original_);
  return status;
}

Status Conversion::Prepare(const char* name, ConvertProgress progress, void* context,
                           const QuenloIdentity* expected, bool same_file_only) {
  if (!IsStyle(style_) || (mode_ != kModeDetect && mode_ != kModeBytes))
    return Failed(kConvertBadStyle).At(Step::kCheckName);
  if (!name || !*name) return Failed(kConvertNotAFile).At(Step::kCheckName);
  if (!FitsNameBuffer(name)) return Failed(kConvertNameTooLong).At(Step::kCheckName);

  // Followed once: from here on no step follows a link.
  Located file;
  Status status = disk_.Locate(name, &file);
  if (!status.ok())
    return status.At(status.result == kConvertLinkNotTrusted ? Step::kFollowLink
                                                             : Step::kCheckName);
  if (file.kind == FileKind::kOther || !file.directory)
    return Failed(kConvertNotAFile).At(Step::kCheckName);
  dir_ = std::move(file.directory);
  Directory& dir = *dir_;
  names_ = NamesIn(dir, file.base);
  const Names& names = names_;
  folder_ = file.full.substr(0, file.full.size() - file.base.size());
  if (file.kind == FileKind::kMissing) {
    status = Recover(dir, names, &recovered_);
    if (!status.ok()) return Told(status);
    if (!recovered_) return Failed(kConvertNotAFile).At(Step::kCheckName);
  }
  if (NameLength(names.backup) > dir.NameLimit() && (keep_backup_ || !dir.ReplacesByRename()))
    return Told(Failed(kConvertBackupNameTooLong).At(Step::kCheckName));
  status = CheckBeside(dir, names);
  if (!status.ok()) return Told(status);

  // Step 1. The work file comes first: it is the lock against a second conversion.
  status = dir.CreateWork(names.work, &work_);
  if (!status.ok()) {
    // Where no work file can be made (a read-only file system, a folder
    // not ours to write), a file already in the style still needs nothing.
    QuenloIdentity seen = {};
    if (keep_backup_ || status.result == kConvertBusy ||
        !AlreadyInStyle(dir, names, style_, buffer_size_, progress, context, mode_, expected,
                        same_file_only, &seen))
      return Told(status.At(Step::kCreateWork));
    unchanged_ = true;
    Status done = Told(Status());
    done.file = seen;
    return done;
  }
  status = SettleAside(dir, names);
  if (!status.ok()) return Told(status);
  std::unique_ptr<InputFile> input;
  status = dir.OpenInput(names.file, &input);
  if (!status.ok()) return Told(status.At(Step::kOpen));
  status = input->State(&original_);
  if (!status.ok()) return Told(status.At(Step::kOpen));
  if (OtherFile(expected, IdentityOf(original_), same_file_only))
    return Told(Failed(kConvertFileChanged, 0, names.file).At(Step::kOpen));
  status = dir.State(names.backup, &stale_state_);
  if (!status.ok()) return Told(status.At(Step::kRemoveStale));
  if (stale_state_.kind == FileKind::kOther)
    return Told(Failed(kConvertBackupNotAFile, 0, names.backup).At(Step::kRemoveStale));
  stale_ = stale_state_.kind == FileKind::kRegular;
  status = work_->CopyMetadata(*input);
  if (!status.ok()) return Told(status.At(Step::kMetadata));

  LineBreakRewriter rewriter(style_, mode_ == kModeDetect);
  status = Fill(*input, *work_, rewriter, original_.size, buffer_size_, progress, context,
                &unchanged_);
  FileState now;
  if (status.ok()) status = input->State(&now).At(Step::kRead);
  if (status.ok() && !now.Unchanged(original_))
    status = Failed(kConvertFileChanged, 0, names.file).At(Step::kRead);
  if (!status.ok()) return Told(status);
  if (unchanged_) {
    status = KeepAsItIs(dir, *input, *work_, names, original_, stale_ ? &stale_state_ : nullptr,
                        keep_backup_, progress, context);
    work_.reset();
    return Told(status);
  }
  // The input closes on return: Windows neither moves a file its opener did
  // not share for deleting nor renames over an open one.
  status = work_->CopyMode(*input).At(Step::kMetadata);
  waiting_ = status.ok();
  return Told(status);
}

Status Conversion::Flush(bool on_device, ConvertProgress progress, void* context) {
  Status status = on_device ? Status() : work_->Flush().At(Step::kFlush);
  if (status.ok() && Cancelled(progress, context, original_.size, original_.size))
    status = Failed(kConvertCancelled).At(Step::kFlush);
  if (!status.ok()) {
    waiting_ = false;
    work_.reset();
  }
  return Told(status);
}

Status Conversion::Commit(bool sync_later) {
  waiting_ = false;
  const Status status = quenlo::Commit(*dir_, *work_, names_, original_,
                                       stale_ ? &stale_state_ : nullptr, keep_backup_, sync_later);
  work_.reset();
  return Told(status);
}

bool Conversion::FlushFileSystem() { return dir_ && dir_->FlushFileSystem(); }

Status ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                   std::size_t buffer_size, ConvertProgress progress, void* context,
                   ConvertMode mode, const QuenloIdentity* expected) {
  Conversion conversion(disk, style, keep_backup, mode, buffer_size);
  Status status = conversion.Prepare(name, progress, context, expected);
  if (status.ok() && conversion.waiting()) {
    status = conversion.Flush(false, progress, context);
    if (status.ok()) status = conversion.Commit(false);
  }
  return status;
}

NameKind KindOfName(Disk& disk, const char* name) {
  if (!name || !*name) return kNameNotAFile;
  Located file;
  // One the system cannot tell about yet is the conversion's to report.
  if (!disk.Locate(name, &file).ok()) return kNameConvertible;
  switch (file.kind) {
    case FileKind::kRegular:
      return kNameConvertible;
    case FileKind::kOther:
      return kNameNotAFile;
    case FileKind::kMissing:
      break;
  }
  if (!file.directory) return kNameMissing;
  bool recoverable = false;
  Recoverable(*file.directory, NamesIn(*file.directory, file.base), &recoverable);
  return recoverable ? kNameConvertible : kNameMissing;
}

bool IsOwnFile(const std::string& base) {
  return EndsWith(base, kWorkSuffix) || EndsWith(base, kAsideSuffix);
}

bool IsBackupName(const std::string& name, std::string* stem) {
  if (name.size() <= sizeof(kBackupSuffix) - 1 || !EndsWith(name, kBackupSuffix)) return false;
  *stem = name.substr(0, name.size() - (sizeof(kBackupSuffix) - 1));
  return true;
}

bool FitsNameBuffer(const char* name) {
  return NameBufferLength(name) + sizeof(kBackupSuffix) <= static_cast<std::size_t>(kNameBufferSize);
}

std::string BackupName(Disk& disk, const char* name) {
  Located file;
  disk.Locate(name, &file);
  return (file.full.empty() ? std::string(name) : file.full) + kBackupSuffix;
}

std::string WorkName(Disk& disk, const char* name) {
  Located file;
  disk.Locate(name, &file);
  // A directory that will not open has no limit to read: the plain name.
  if (!file.directory) return (file.full.empty() ? std::string(name) : file.full) + kWorkSuffix;
  return file.full.substr(0, file.full.size() - file.base.size()) +
         NamesIn(*file.directory, file.base).work;
}

}  // namespace quenlo
