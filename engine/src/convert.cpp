#include "convert.h"

#include <cstring>
#include <vector>

#include "line_breaks.h"

namespace quenlo {

namespace {

// Streams `from` into the new file `to`, flushed and closed on success.
int Rewrite(Disk& disk, LineBreakStyle style, const std::string& from, const std::string& to,
            std::size_t buffer_size, ConvertProgress progress, void* context, bool* created) {
  std::unique_ptr<InputFile> input = disk.OpenInput(from);
  if (!input) return kConvertOpenFailed;
  std::unique_ptr<OutputFile> output = disk.CreateOutput(to, from);
  if (!output) return kConvertOpenFailed;
  *created = true;

  std::vector<char> in(buffer_size);
  std::vector<char> out(LineBreakRewriter::MaxOutput(buffer_size));
  LineBreakRewriter rewriter(style);
  std::int64_t done = 0;
  const std::int64_t total = input->Size();
  for (;;) {
    std::int64_t got = input->Read(in.data(), in.size());
    if (got < 0) return kConvertReadFailed;
    if (got == 0) break;
    std::size_t put = rewriter.Rewrite(in.data(), static_cast<std::size_t>(got), out.data());
    if (!output->Write(out.data(), put)) return kConvertWriteFailed;
    done += got;
    if (progress && !progress(context, done, total)) return kConvertCancelled;
  }
  if (!output->Flush()) return kConvertFlushFailed;
  if (!output->Close()) return kConvertCloseFailed;
  if (!input->Close()) return kConvertCloseFailed;
  return kConvertOk;
}

}  // namespace

bool IsConvertible(Disk& disk, const char* name) {
  return name && *name && disk.Kind(name) == FileKind::kRegular;
}

int ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                std::size_t buffer_size, ConvertProgress progress, void* context) {
  if (!name || std::strlen(name) + sizeof(".bak") > static_cast<std::size_t>(kNameBufferSize))
    return kConvertNameTooLong;
  if (!IsConvertible(disk, name)) return kConvertNotAFile;

  const std::string file = disk.Resolve(name);
  const std::string backup = file + ".bak";
  if (disk.Exists(backup) && !disk.Remove(backup)) return kConvertStaleBackup;
  if (!disk.Move(file, backup)) return kConvertMoveFailed;

  bool created = false;
  int result = Rewrite(disk, style, backup, file, buffer_size, progress, context, &created);
  if (result != kConvertOk) {
    // Put the original back; if that fails it is still whole under the backup name.
    if ((created && !disk.Remove(file)) || !disk.Move(backup, file)) return kConvertNotRestored;
    return result;
  }
  // A backup that will not go (a read-only file's, say) is simply kept.
  if (!keep_backup) disk.Remove(backup);
  return kConvertOk;
}

}  // namespace quenlo
