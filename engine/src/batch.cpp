#include "batch.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "convert.h"
#include "line_count.h"
#include "walk.h"

namespace quenlo {

namespace {

constexpr std::size_t kReadSize = std::size_t{256} << 10;

class Batch : public WalkVisitor {
 public:
  Batch(Disk& disk, const QuenloBatchOptions& options, QuenloFileDone report,
        QuenloFileProgress progress, void* context)
      : disk_(disk), options_(options), report_(report), progress_(progress), context_(context) {}

  // One name given. False once the run is cancelled.
  bool Given(int argument, const std::string& name, bool last) {
    argument_ = argument;
    remember_walked_ = !last;
    if (IsPattern(name)) {
      const std::vector<std::string> matches = Matches(name);
      if (matches.empty()) return NotAFile(name);
      for (const std::string& match : matches) {
        FileId id;
        if (Identify(match, &id) == EntryKind::kFile && Fresh(id, true) && !One(match, false, &id))
          return false;
      }
      return !summary_.cancelled;
    }
    FileId id;
    switch (Identify(name, &id)) {
      case EntryKind::kFolder:
        return WalkFolder(name, *this) && !summary_.cancelled;
      case EntryKind::kFile:
        return !Fresh(id, true) || One(name, true, nullptr);
      case EntryKind::kMissing:
        // The original of a killed conversion waits as its backup: a
        // conversion puts it back first.
        if (options_.action == kActionConvert && KindOfName(disk_, name.c_str()) == kNameConvertible)
          return One(name, true, nullptr);
        return NotAFile(name);
      case EntryKind::kOther:
        break;
    }
    return NotAFile(name);
  }

  bool File(const std::string& name, const FileId& id, bool shared) override {
    // The original of a conversion killed between its two moves: its own
    // name comes back and is converted, rather than the backup.
    const std::string stem = Stem(name);
    FileId none;
    if (options_.action == kActionConvert && !stem.empty() &&
        Identify(stem, &none) == EntryKind::kMissing &&
        KindOfName(disk_, stem.c_str()) == kNameConvertible)
      return One(stem, false, nullptr);
    if ((shared || remember_walked_ || !seen_.empty()) && !Fresh(id, shared || remember_walked_))
      return true;
    return One(name, false, &id);
  }

  bool Enter(const FileId& id) override { return folders_.insert(id).second; }

  void Listed(std::size_t files) override { found_ += static_cast<std::int64_t>(files); }

  bool Unreadable(const std::string& name, const Status& status) override {
    QuenloFileReport file = Report(name, false);
    file.outcome = kOutcomeFailed;
    file.status = status.At(Step::kOpen).ToC();
    return Done(file);
  }

  const QuenloBatchSummary& summary() const { return summary_; }

 private:
  // The name a backup was made for; empty for any other name.
  static std::string Stem(const std::string& name) {
    const std::string suffix = ".bak";
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      return std::string();
    return name.substr(0, name.size() - suffix.size());
  }

  // True the first time an identity comes up; remembered when `keep`.
  bool Fresh(const FileId& id, bool keep) {
    if (seen_.count(id)) return false;
    if (keep) seen_.insert(id);
    return true;
  }

  QuenloFileReport Report(const std::string& name, bool named) {
    QuenloFileReport file = {};
    name_ = name;
    file.name = name_.c_str();
    file.argument = argument_;
    file.index = ++index_;
    if (named) ++found_;
    file.found = std::max(found_, index_);
    file.named = named ? 1 : 0;
    return file;
  }

  bool NotAFile(const std::string& name) {
    QuenloFileReport file = Report(name, true);
    file.outcome = kOutcomeFailed;
    file.status = Failed(kConvertNotAFile).At(Step::kCheckName).ToC();
    return Done(file);
  }

  // Counts the file, reading only. False when it is gone or no longer the
  // file found; `*status` then says why when it matters.
  bool Inspect(const std::string& name, const FileId* expected, QuenloFileReport* file,
               Status* status) {
    const ResolvedName resolved = disk_.Resolve(name);
    std::unique_ptr<Directory> dir = disk_.OpenDirectory(resolved.directory, status);
    if (!dir) return false;
    std::unique_ptr<InputFile> input = dir->OpenInput(resolved.base, status);
    if (!input) return false;
    const FileState state = input->State();
    if (expected && !(FileId{state.volume, state.id} == *expected)) {
      *status = Failed(kConvertFileChanged).At(Step::kOpen);
      return false;
    }
    file->size = state.size;
    LineBreakCounter counter(options_.mode == kModeDetect);
    buffer_.resize(kReadSize);
    std::int64_t done = 0;
    for (;;) {
      std::size_t got = 0;
      Status read = input->Read(buffer_.data(), buffer_.size(), &got);
      if (!read.ok()) {
        *status = read.At(Step::kRead);
        return false;
      }
      if (got == 0) break;
      counter.Count(buffer_.data(), got);
      done += static_cast<std::int64_t>(got);
      if (progress_ && !progress_(context_, file, done, file->size)) {
        *status = Failed(kConvertCancelled).At(Step::kRead);
        return false;
      }
    }
    counter.Finish();
    summary_.bytes += done;
    file->crlf = counter.crlf();
    file->lf = counter.lf();
    file->cr = counter.cr();
    file->encoding = counter.encoding();
    in_style_ = counter.InStyle(options_.style);
    return true;
  }

  static int Forward(void* context, std::int64_t done, std::int64_t total) {
    auto* batch = static_cast<Batch*>(context);
    return !batch->progress_ || batch->progress_(batch->context_, batch->current_, done, total);
  }

  // One file, named or found. False once the run is cancelled. A file that
  // runs out of memory or threads fails alone.
  bool One(const std::string& name, bool named, const FileId* expected) {
    try {
      return Unguarded(name, named, expected);
    } catch (const std::exception&) {
      QuenloFileReport file = Report(name, named);
      --index_;
      file.outcome = kOutcomeFailed;
      file.status = Failed(kConvertNoResources).ToC();
      return Done(file);
    }
  }

  bool Unguarded(const std::string& name, bool named, const FileId* expected) {
    QuenloFileReport file = Report(name, named);
    file.outcome = kOutcomePending;
    if (progress_ && !progress_(context_, &file, 0, 0)) return Cancel(file);
    Status status;
    // A name a killed conversion left absent has nothing to count: the
    // conversion puts its original back first.
    FileId none;
    const bool recover = options_.action == kActionConvert && !expected &&
                         Identify(name, &none) == EntryKind::kMissing;
    if (recover) {
      in_style_ = false;
    } else if (!Inspect(name, expected, &file, &status)) {
      if (status.result == kConvertCancelled) return Cancel(file);
      // Found in a folder and gone or replaced since: not this run's.
      if (!named && (status.result == kConvertFileChanged || status.result == kConvertOpenFailed)) {
        --index_;
        --found_;
        return true;
      }
      if (status.ok()) status = Failed(kConvertNotAFile).At(Step::kCheckName);
      file.outcome = kOutcomeFailed;
      file.status = status.ToC();
      return Done(file);
    }
    const bool binary = file.encoding == kEncodingBinary;
    if (binary && (!named || options_.action != kActionConvert)) {
      file.outcome = named && options_.action == kActionCheck ? kOutcomeFailed : kOutcomeSkippedBinary;
      if (options_.action == kActionInfo) file.outcome = kOutcomeCounted;
      if (file.outcome == kOutcomeFailed) file.status = Failed(kConvertBinary).At(Step::kRead).ToC();
      return Done(file);
    }
    switch (options_.action) {
      case kActionInfo:
        file.outcome = kOutcomeCounted;
        return Done(file);
      case kActionCheck:
        file.outcome = in_style_ ? kOutcomeAlreadyRight : kOutcomeWouldChange;
        return Done(file);
      default:
        break;
    }
    if (in_style_ && !options_.keep_backup && !binary) {
      file.outcome = kOutcomeAlreadyRight;
      return Done(file);
    }
    current_ = &file;
    status = ConvertWith(disk_, options_.style, options_.keep_backup != 0, name.c_str(),
                         kDefaultBufferSize, &Batch::Forward, this, options_.mode);
    current_ = nullptr;
    file.status = status.ToC();
    if (status.result == kConvertCancelled) return Cancel(file);
    // The new content is a new file: a later name for it is the same one.
    FileId now;
    if (status.ok() && (named || remember_walked_) && Identify(name, &now) == EntryKind::kFile)
      seen_.insert(now);
    file.outcome = !status.ok()  ? kOutcomeFailed
                   : in_style_ ? kOutcomeAlreadyRight
                               : kOutcomeConverted;
    return Done(file);
  }

  bool Cancel(QuenloFileReport& file) {
    file.outcome = kOutcomeFailed;
    file.status = Failed(kConvertCancelled).ToC();
    summary_.cancelled = 1;
    if (report_) report_(context_, &file);
    return false;
  }

  bool Done(QuenloFileReport& file) {
    switch (file.outcome) {
      case kOutcomeConverted: ++summary_.converted; break;
      case kOutcomeAlreadyRight: ++summary_.already_right; break;
      case kOutcomeSkippedBinary: ++summary_.skipped_binary; break;
      case kOutcomeWouldChange: ++summary_.would_change; break;
      case kOutcomeCounted: ++summary_.counted; break;
      default: ++summary_.failed; break;
    }
    if (report_ && !report_(context_, &file)) {
      summary_.cancelled = 1;
      return false;
    }
    return true;
  }

  Disk& disk_;
  const QuenloBatchOptions options_;
  QuenloFileDone report_;
  QuenloFileProgress progress_;
  void* context_;
  QuenloBatchSummary summary_ = {};
  int argument_ = 0;
  std::int64_t index_ = 0;
  std::int64_t found_ = 0;
  std::string name_;
  std::vector<char> buffer_;
  bool in_style_ = false;
  bool remember_walked_ = false;
  const QuenloFileReport* current_ = nullptr;
  // Named files, folders walked, and the walked files a later name may meet again.
  std::set<FileId> seen_;
  std::set<FileId> folders_;
};

}  // namespace

QuenloBatchSummary RunBatch(Disk& disk, const char* const* names, int count,
                            const QuenloBatchOptions& options, QuenloFileDone report,
                            QuenloFileProgress progress, void* context) {
  Batch batch(disk, options, report, progress, context);
  const bool style_ok = options.style == kStyleCrLf || options.style == kStyleCr ||
                        options.style == kStyleLf;
  for (int i = 0; i < count && style_ok; ++i)
    if (!batch.Given(i, names[i] ? names[i] : "", i + 1 == count)) break;
  return batch.summary();
}

}  // namespace quenlo
