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

// Streams the original through the rewriter into the work file. Nothing is
// written while the output equals the input: at the first change the
// unchanged part is copied from the original, and the rest follows.
// `*unchanged` tells whether that point never came.
int Fill(InputFile& input, WorkFile& work, LineBreakRewriter& rewriter, std::size_t buffer_size,
         ConvertProgress progress, void* context, bool* unchanged) {
  std::vector<char> in(buffer_size);
  const std::int64_t total = input.Size();
  std::int64_t done = 0;
  std::int64_t same = 0;  // output so far, while it equals the input
  bool writing = false;
  // Every buffer's output goes through here, the held tail's last.
  auto put = [&](std::size_t size) {
    if (!writing && rewriter.changed()) {
      writing = true;
      if (int result = work.CopyFrom(input, same)) return result;
    }
    if (writing) return work.Write(size);
    same += static_cast<std::int64_t>(size);
    return static_cast<int>(kConvertOk);
  };
  for (;;) {
    std::int64_t got = input.Read(in.data(), in.size());
    if (got < 0) return kConvertReadFailed;
    if (got == 0) break;
    const std::size_t size = static_cast<std::size_t>(got);
    char* out = work.Room(LineBreakRewriter::MaxOutput(size));
    const std::size_t size_out = rewriter.Rewrite(in.data(), size, out);
    if (rewriter.binary()) return kConvertBinary;
    if (int result = put(size_out)) return result;
    done += got;
    if (Cancelled(progress, context, done, total)) return kConvertCancelled;
  }
  const std::size_t tail = rewriter.Finish(work.Room(LineBreakRewriter::MaxOutput(0)));
  if (rewriter.binary()) return kConvertBinary;
  if (int result = put(tail)) return result;
  *unchanged = !writing;
  return kConvertOk;
}

// Pushes the work file to the device; the flush may take long, so a cancel
// meanwhile still counts.
int Flush(WorkFile& work, ConvertProgress progress, void* context, std::int64_t size) {
  if (int result = work.Flush()) return result;
  return Cancelled(progress, context, size, size) ? kConvertCancelled : kConvertOk;
}

// Puts the complete work file under the name and the former content under
// the backup name. Whatever stops it, the name holds the whole original or
// the whole new content, or is absent for an instant with both in place.
int Commit(Disk& disk, WorkFile& work, const std::string& file, const std::string& backup,
           bool keep_backup) {
  if (disk.Exists(backup) && !disk.Remove(backup)) return kConvertStaleBackup;
  if (disk.Link(file, backup)) {
    // The name is never absent: the rename swaps the new content in.
    if (int result = work.MoveTo(file, true)) {
      disk.Remove(backup);
      return result;
    }
  } else {
    if (int result = disk.Move(file, backup)) return result;
    if (int result = work.MoveTo(file, false))
      return disk.Move(backup, file) == kConvertOk ? result : kConvertNotRestored;
  }
  disk.SyncDirectory(file);
  // A backup that will not go is simply kept.
  if (!keep_backup) disk.Remove(backup);
  return kConvertOk;
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

int ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                std::size_t buffer_size, ConvertProgress progress, void* context,
                ConvertMode mode) {
  if (!name || !FitsNameBuffer(name)) return kConvertNameTooLong;
  if (!IsConvertible(disk, name)) return kConvertNotAFile;

  const std::string file = disk.Resolve(name);
  const std::string backup = file + kBackupSuffix;
  int result = kConvertOk;
  // The work file comes first: it is the lock against a second conversion.
  std::unique_ptr<WorkFile> work = disk.CreateWork(file + kWorkSuffix, &result);
  if (!work) return result;
  std::unique_ptr<InputFile> input = disk.OpenInput(file, &result);
  if (!input) return result;
  if ((result = work->CopyMetadata(*input))) return result;
  LineBreakRewriter rewriter(style, mode != kModeBytes);
  bool unchanged = false;
  if ((result = Fill(*input, *work, rewriter, buffer_size, progress, context, &unchanged)))
    return result;
  const std::int64_t size = input->Size();
  if (unchanged) {
    // The file stays as it is, with its identity, times and links; only the
    // backup is made (a copy of the same bytes) or a stale one removed.
    if (disk.Exists(backup) && !disk.Remove(backup)) return kConvertStaleBackup;
    if (!keep_backup) return kConvertOk;
    if ((result = work->CopyFrom(*input, size))) return result;
    if ((result = Flush(*work, progress, context, size))) return result;
    if ((result = work->MoveTo(backup, false))) return result;
    disk.SyncDirectory(backup);
    return kConvertOk;
  }
  if ((result = Flush(*work, progress, context, size))) return result;
  input.reset();
  return Commit(disk, *work, file, backup, keep_backup);
}

}  // namespace quenlo
