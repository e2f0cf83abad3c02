// The replace protocol. One conversion of FILE, in this order:
//
//   step                          on disk after it        a crash here leaves
//   1 create FILE.~ql, locked     FILE, FILE.~ql (empty)  a stale FILE.~ql: the
//                                                         next run replaces it
//   2 fill FILE.~ql, flush it     FILE, FILE.~ql (whole)  the same
//   3 remove a stale FILE.bak     FILE, FILE.~ql          the same
//   4 link FILE to FILE.bak       FILE = FILE.bak, ~ql    the same; FILE.bak is
//                                                         the original, whole
//   5 rename FILE.~ql over FILE   FILE (new), FILE.bak    done but for step 7
//   6 fsync the directory         the same                the same
//   7 remove FILE.bak unless -R   FILE (new)              done
//
// Where the file system has no hard links, steps 4 and 5 are two moves:
// FILE to FILE.bak, then FILE.~ql to FILE. Between them the name is absent
// for an instant and the content is whole in FILE.bak and FILE.~ql; a crash
// there leaves both for the user.
//
// Any failure or cancel before step 5 removes FILE.~ql and leaves FILE as it
// was (and an old FILE.bak, up to step 3). A failed move in the two-move path
// puts FILE.bak back; only if that fails too is the original left as
// FILE.bak, which the result says (kConvertNotRestored). Nothing reaches the
// name before it is complete and on the device, so a power cut after step 2
// loses nothing either, given a file system that honours fsync.
//
// A file the conversion would not change stops after step 2 with nothing
// written: it keeps its identity, times and links. Only the backup changes:
// with -R the work file takes a copy and becomes FILE.bak; without, a stale
// FILE.bak is removed.
#include "convert.h"

#include <vector>

#include "line_breaks.h"

namespace quenlo {

namespace {

// Both add four bytes to the name, so they fit the same name buffer.
constexpr char kBackupSuffix[] = ".bak";
constexpr char kWorkSuffix[] = ".~ql";
static_assert(sizeof(kBackupSuffix) == sizeof(kWorkSuffix), "one name budget");

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
  std::vector<char> in(buffer_size);
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
    Status read = input.Read(in.data(), in.size(), &got);
    if (!read.ok()) return read.At(Step::kRead);
    if (got == 0) break;
    done += static_cast<std::int64_t>(got);
    if (!writing && rewriter.Skim(in.data(), got)) {
      same += static_cast<std::int64_t>(got);
    } else {
      char* out = work.Room(LineBreakRewriter::MaxOutput(got));
      const std::size_t size_out = rewriter.Rewrite(in.data(), got, out);
      if (rewriter.binary()) return Failed(kConvertBinary).At(Step::kRead);
      Status written = put(size_out);
      if (!written.ok()) return written;
    }
    if (Cancelled(progress, context, done, total)) return Failed(kConvertCancelled).At(Step::kRead);
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

// Step 3: a stale backup goes only once the new content is complete.
Status RemoveStale(Disk& disk, const std::string& backup) {
  if (!disk.Exists(backup)) return Status();
  if (int error = disk.Remove(backup)) return Failed(kConvertStaleBackup, error).At(Step::kRemoveStale);
  return Status();
}

// Steps 3 to 7.
Status Commit(Disk& disk, WorkFile& work, const std::string& file, const std::string& backup,
              bool keep_backup) {
  Status status = RemoveStale(disk, backup);
  if (!status.ok()) return status;
  if (disk.Link(file, backup)) {
    // The name is never absent: the rename swaps the new content in.
    status = work.MoveTo(file, true);
    if (!status.ok()) {
      disk.Remove(backup);
      return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    }
  } else {
    status = disk.Move(file, backup);
    if (!status.ok()) return status.At(Step::kMakeBackup);
    status = work.MoveTo(file, false);
    if (!status.ok()) {
      Status restored = disk.Move(backup, file);
      if (!restored.ok()) return Failed(kConvertNotRestored, restored.error).At(Step::kRestore);
      return As(status, kConvertMoveFailed, kConvertReplaceFailed).At(Step::kTakeName);
    }
  }
  disk.SyncDirectory(file);
  // A backup that will not go is simply kept.
  if (!keep_backup) disk.Remove(backup);
  return Status();
}

// A file already in the style: only the backup changes.
Status KeepAsItIs(Disk& disk, InputFile& input, WorkFile& work, const std::string& backup,
                  bool keep_backup, ConvertProgress progress, void* context) {
  Status status = RemoveStale(disk, backup);
  if (!status.ok() || !keep_backup) return status;
  const std::int64_t size = input.Size();
  status = work.CopyFrom(input, size);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  status = Flush(work, progress, context, size);
  if (!status.ok()) return status;
  status = work.MoveTo(backup, false);
  if (!status.ok()) return status.At(Step::kMakeBackup);
  disk.SyncDirectory(backup);
  return Status();
}

bool IsStyle(LineBreakStyle style) {
  return style == kStyleCrLf || style == kStyleCr || style == kStyleLf;
}

}  // namespace

bool IsConvertible(Disk& disk, const char* name) {
  return name && *name && disk.Kind(name) == FileKind::kRegular;
}

bool FitsNameBuffer(const char* name) {
  return NameBufferLength(name) + sizeof(kBackupSuffix) <= static_cast<std::size_t>(kNameBufferSize);
}

std::string BackupName(Disk& disk, const char* name) {
  return disk.Resolve(name) + kBackupSuffix;
}

Status ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                   std::size_t buffer_size, ConvertProgress progress, void* context,
                   ConvertMode mode) {
  if (!IsStyle(style) || (mode != kModeDetect && mode != kModeBytes))
    return Failed(kConvertBadStyle).At(Step::kCheckName);
  if (!name || !FitsNameBuffer(name)) return Failed(kConvertNameTooLong).At(Step::kCheckName);
  if (!IsConvertible(disk, name)) return Failed(kConvertNotAFile).At(Step::kCheckName);

  const std::string file = disk.Resolve(name);
  const std::string backup = file + kBackupSuffix;
  Status status;
  // Step 1. The work file comes first: it is the lock against a second conversion.
  std::unique_ptr<WorkFile> work = disk.CreateWork(file + kWorkSuffix, &status);
  if (!work) return status.At(Step::kCreateWork);
  std::unique_ptr<InputFile> input = disk.OpenInput(file, &status);
  if (!input) return status.At(Step::kOpen);
  status = work->CopyMetadata(*input);
  if (!status.ok()) return status.At(Step::kMetadata);

  LineBreakRewriter rewriter(style, mode == kModeDetect);
  bool unchanged = false;
  status = Fill(*input, *work, rewriter, buffer_size, progress, context, &unchanged);
  if (!status.ok()) return status;
  if (unchanged)
    return KeepAsItIs(disk, *input, *work, backup, keep_backup, progress, context);
  status = Flush(*work, progress, context, input->Size());
  if (!status.ok()) return status;
  input.reset();
  return Commit(disk, *work, file, backup, keep_backup);
}

}  // namespace quenlo
