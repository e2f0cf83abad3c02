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

// Streams the original into the work file and pushes it to the device.
int Fill(InputFile& input, WorkFile& work, LineBreakStyle style, std::size_t buffer_size,
         ConvertProgress progress, void* context) {
  std::vector<char> in(buffer_size);
  LineBreakRewriter rewriter(style);
  const std::int64_t total = input.Size();
  std::int64_t done = 0;
  for (;;) {
    std::int64_t got = input.Read(in.data(), in.size());
    if (got < 0) return kConvertReadFailed;
    if (got == 0) break;
    const std::size_t size = static_cast<std::size_t>(got);
    char* out = work.Room(LineBreakRewriter::MaxOutput(size));
    if (int result = work.Write(rewriter.Rewrite(in.data(), size, out))) return result;
    done += got;
    if (Cancelled(progress, context, done, total)) return kConvertCancelled;
  }
  if (int result = work.Flush()) return result;
  // The flush may take long: a cancel meanwhile still counts.
  return Cancelled(progress, context, done, total) ? kConvertCancelled : kConvertOk;
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
                std::size_t buffer_size, ConvertProgress progress, void* context) {
  if (!name || !FitsNameBuffer(name)) return kConvertNameTooLong;
  if (!IsConvertible(disk, name)) return kConvertNotAFile;

  const std::string file = disk.Resolve(name);
  int result = kConvertOk;
  // The work file comes first: it is the lock against a second conversion.
  std::unique_ptr<WorkFile> work = disk.CreateWork(file + kWorkSuffix, &result);
  if (!work) return result;
  std::unique_ptr<InputFile> input = disk.OpenInput(file, &result);
  if (!input) return result;
  if ((result = work->CopyMetadata(*input))) return result;
  if ((result = Fill(*input, *work, style, buffer_size, progress, context))) return result;
  input.reset();
  return Commit(disk, *work, file, file + kBackupSuffix, keep_backup);
}

}  // namespace quenlo
