// Files are converted in groups: each is filled on its own, then the whole
// group is flushed at once (one flush of the file system where the platform
// has it, else each file's), then each takes its name, then each folder is
// flushed once, by the file system's flush that comes with the next group
// where there is one. A file is reported only after that, in the order
// found, so that what is reported done is done for good.
#include "batch.h"

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "close_later.h"
#include "convert.h"
#include "line_breaks.h"
#include "line_count.h"
#include "walk.h"

namespace quenlo {

namespace {

constexpr std::size_t kReadSize = std::size_t{256} << 10;
// Each waiting file holds two descriptors and a few names; its data is in
// the page cache, where the group's flush finds it.
constexpr std::size_t kGroupFiles = 96;
constexpr std::int64_t kGroupBytes = std::int64_t{64} << 20;

// What a report says of a file but its status: a QuenloFileReport holds
// three full names, too much to keep for every file of a group.
struct FileHead {
  const char* name = nullptr;
  std::int32_t argument = 0;
  std::int64_t index = 0;
  std::int64_t found = 0;
  FileOutcome outcome = kOutcomePending;
  std::int64_t crlf = 0, lf = 0, cr = 0;
  TextEncoding encoding = kEncodingBytes;
  std::int64_t size = 0;
  std::int32_t named = 0;
};

// One file of the run, from when it is found until it is reported.
struct Entry {
  std::string name;
  FileHead file;
  Status status;
  std::unique_ptr<Conversion> conversion;  // while it waits for the group's flush
  bool remember = false;  // its new identity, for a later name of it
  // Once its name is taken: where, for the flush that makes that durable.
  bool renamed = false;
  std::uint64_t volume = 0;
  std::string folder;                   // its folder as shown, which tells folders apart
  std::unique_ptr<Directory> directory;  // that folder, open
};

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
      return !stopped_;
    }
    FileId id;
    switch (Identify(name, &id)) {
      case EntryKind::kFolder:
        return WalkFolder(name, *this) && !stopped_;
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
    std::string stem;
    FileId stem_id;
    if (IsBackupName(name, &stem)) {
      const EntryKind kind = Identify(stem, &stem_id);
      // The backup of a file this walk converts: the conversion replaces
      // or removes it.
      if (kind == EntryKind::kFile) return true;
      // The original of a conversion killed between its two moves: its own
      // name comes back and is converted, rather than the backup.
      if (options_.action == kActionConvert && kind == EntryKind::kMissing &&
          KindOfName(disk_, stem.c_str()) == kNameConvertible)
        return One(stem, false, nullptr);
    }
    if ((shared || remember_walked_ || !seen_.empty()) && !Fresh(id, shared || remember_walked_))
      return true;
    return One(name, false, &id);
  }

  bool Enter(const FileId& id) override { return folders_.insert(id).second; }

  void Listed(std::size_t files) override { found_ += static_cast<std::int64_t>(files); }

  bool Unreadable(const std::string& name, const Status& status) override {
    std::unique_ptr<Entry> entry = Start(name, false);
    entry->file.outcome = kOutcomeFailed;
    entry->status = status.At(Step::kOpen);
    return Finished(std::move(entry));
  }

  // Flushes and reports what still waits.
  const QuenloBatchSummary& Finish() {
    FlushNow();
    return summary_;
  }

 private:
  // True the first time an identity comes up; remembered when `keep`.
  bool Fresh(const FileId& id, bool keep) {
    if (seen_.count(id)) return false;
    if (keep) seen_.insert(id);
    return true;
  }

  // The file as a report shows it, with no status yet.
  const QuenloFileReport* Shown(const FileHead& head) {
    shown_.name = head.name;
    shown_.argument = head.argument;
    shown_.index = head.index;
    shown_.found = head.found;
    shown_.outcome = head.outcome;
    shown_.status = QuenloStatus{};
    shown_.crlf = head.crlf;
    shown_.lf = head.lf;
    shown_.cr = head.cr;
    shown_.encoding = head.encoding;
    shown_.size = head.size;
    shown_.named = head.named;
    return &shown_;
  }

  std::unique_ptr<Entry> Start(const std::string& name, bool named) {
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    FileHead& file = entry->file;
    file.name = entry->name.c_str();
    file.argument = argument_;
    file.index = ++index_;
    if (named) ++found_;
    file.found = std::max(found_, index_);
    file.named = named ? 1 : 0;
    file.outcome = kOutcomePending;
    return entry;
  }

  // A file found and gone before it was opened: not this run's to report.
  void Forget() {
    --index_;
    --found_;
  }

  bool NotAFile(const std::string& name) {
    std::unique_ptr<Entry> entry = Start(name, true);
    entry->file.outcome = kOutcomeFailed;
    entry->status = Failed(kConvertNotAFile).At(Step::kCheckName);
    return Finished(std::move(entry));
  }

  // Counts the file, reading only. False when it cannot be read; `*status` says why.
  bool Inspect(const std::string& name, const FileId* expected, FileHead* file, Status* status) {
    Located located;
    *status = disk_.Locate(name, &located).At(Step::kOpen);
    if (status->ok() && (located.kind != FileKind::kRegular || !located.directory))
      *status = Failed(kConvertNotAFile).At(Step::kCheckName);
    if (!status->ok()) return false;
    std::unique_ptr<InputFile> input;
    *status = located.directory->OpenInput(located.base, &input).At(Step::kOpen);
    if (!status->ok()) return false;
    FileState state;
    *status = input->State(&state).At(Step::kOpen);
    if (!status->ok()) return false;
    if (expected && !(FileId{state.volume, state.id} == *expected)) {
      *status = Failed(kConvertFileChanged).At(Step::kOpen);
      return false;
    }
    file->size = state.size;
    const bool detect = options_.mode == kModeDetect;
    LineBreakCounter counter(detect);
    // What is no text is told by the conversion's own rule, so a check
    // says what a conversion would do.
    LineBreakRewriter rewriter(options_.style, detect);
    buffer_.resize(kReadSize + LineBreakRewriter::MaxOutput(kDefaultBufferSize));
    char* const scratch = buffer_.data() + kReadSize;
    std::int64_t done = 0;
    for (;;) {
      std::size_t got = 0;
      Status read = input->Read(buffer_.data(), kReadSize, &got);
      if (!read.ok()) {
        *status = read.At(Step::kRead);
        return false;
      }
      if (got == 0) break;
      counter.Count(buffer_.data(), got);
      for (std::size_t at = 0; detect && at < got && !rewriter.binary(); at += kDefaultBufferSize) {
        const std::size_t size = std::min(kDefaultBufferSize, got - at);
        if (!rewriter.Skim(buffer_.data() + at, size)) rewriter.Rewrite(buffer_.data() + at, size, scratch);
      }
      done += static_cast<std::int64_t>(got);
      if (progress_ && !progress_(context_, Shown(*file), done, file->size)) {
        *status = Failed(kConvertCancelled).At(Step::kRead);
        return false;
      }
    }
    counter.Finish();
    if (detect && !rewriter.binary()) rewriter.Finish(scratch);
    summary_.bytes += done;
    file->crlf = counter.crlf();
    file->lf = counter.lf();
    file->cr = counter.cr();
    file->encoding = rewriter.binary() ? kEncodingBinary : counter.encoding();
    refusal_ = Failed(rewriter.looks_utf16() ? kConvertUtf16NoBom : kConvertBinary).At(Step::kRead);
    file->outcome = options_.action == kActionInfo         ? kOutcomeCounted
                    : rewriter.binary()                    ? kOutcomeSkippedBinary
                    : counter.InStyle(options_.style)      ? kOutcomeAlreadyRight
                                                           : kOutcomeWouldChange;
    return true;
  }

  static int Forward(void* context, std::int64_t done, std::int64_t total) {
    auto* batch = static_cast<Batch*>(context);
    return !batch->progress_ || batch->progress_(batch->context_, batch->current_, done, total);
  }

  // One file, named or found. False once the run is cancelled. A file that
  // runs out of memory or threads fails alone.
  bool One(const std::string& name, bool named, const FileId* expected) {
    std::unique_ptr<Entry> entry = Start(name, named);
    const FileHead head = entry->file;
    try {
      return Unguarded(std::move(entry), expected);
    } catch (const std::exception&) {
      auto failed = std::make_unique<Entry>();
      failed->name = name;
      failed->file = head;
      failed->file.name = failed->name.c_str();
      failed->file.outcome = kOutcomeFailed;
      failed->status = Failed(kConvertNoResources);
      return Finished(std::move(failed));
    }
  }

  bool Unguarded(std::unique_ptr<Entry> entry, const FileId* expected) {
    FileHead& file = entry->file;
    const bool named = file.named != 0;
    if (progress_ && !progress_(context_, Shown(file), 0, 0)) return Cancel(std::move(entry));
    Status status;
    if (options_.action != kActionConvert) {
      if (!Inspect(entry->name, expected, &file, &status)) {
        if (status.result == kConvertCancelled) return Cancel(std::move(entry));
        if (!named && status.step == Step::kOpen && status.result != kConvertInUse) {
          Forget();
          return true;
        }
        file.outcome = kOutcomeFailed;
        entry->status = status;
      } else if (file.outcome == kOutcomeSkippedBinary) {
        // Named, it is refused as a conversion would refuse it.
        if (named) file.outcome = kOutcomeFailed;
        entry->status = refusal_;
      }
      return Finished(std::move(entry));
    }

    entry->conversion = std::make_unique<Conversion>(disk_, options_.style,
                                                     options_.keep_backup != 0, options_.mode);
    Conversion& conversion = *entry->conversion;
    QuenloIdentity found = {};
    if (expected) {
      found.volume = expected->volume;
      found.id = expected->id;
    }
    current_ = Shown(file);
    status = conversion.Prepare(entry->name.c_str(), &Batch::Forward, this,
                                expected ? &found : nullptr, true);
    current_ = nullptr;
    file.size = conversion.original().size;
    entry->status = status;
    entry->remember = named || remember_walked_;
    if (status.ok() && conversion.waiting()) {
      summary_.bytes += file.size;
      group_bytes_ += file.size;
      queue_.push_back(std::move(entry));
      ++waiting_;
      if (waiting_ < kGroupFiles && group_bytes_ < kGroupBytes) return true;
      return SendGroup();
    }
    entry->conversion.reset();
    if (status.result == kConvertCancelled) return Cancel(std::move(entry));
    // Found in a folder and gone or replaced before it was opened.
    if (!named && (status.step == Step::kCheckName ||
                   (status.step == Step::kOpen && status.result == kConvertFileChanged))) {
      Forget();
      return true;
    }
    if (status.ok()) {
      summary_.bytes += file.size;
      file.outcome = kOutcomeAlreadyRight;
    } else if ((status.result == kConvertBinary || status.result == kConvertUtf16NoBom) && !named) {
      file.outcome = kOutcomeSkippedBinary;
    } else {
      file.outcome = kOutcomeFailed;
    }
    return Finished(std::move(entry));
  }

  // Takes the group a step on: one flush of each file system pushes this
  // group's new contents and the previous group's new folder entries to the
  // device together; the previous group is then reported, and this group's
  // files take their names, to be made durable by the next flush. So each
  // group costs one flush. False once cancelled.
  bool SendGroup() {
    std::set<std::uint64_t> flushed;
    FlushVolumes(&flushed);
    ReportSettled(flushed);
    for (const auto& entry : queue_) {
      if (!entry->conversion || !entry->conversion->waiting()) continue;
      Conversion& conversion = *entry->conversion;
      entry->volume = conversion.original().volume;
      entry->folder = conversion.folder();
      Status status = conversion.Flush(flushed.count(entry->volume) != 0, nullptr, nullptr);
      if (status.ok()) status = conversion.Commit(true);
      if (status.ok()) entry->directory = conversion.TakeDirectory();
      entry->status = status;
      entry->file.outcome = status.ok() ? kOutcomeConverted : kOutcomeFailed;
      entry->renamed = status.ok();
      entry->conversion.reset();
    }
    waiting_ = 0;
    group_bytes_ = 0;
    settling_.swap(queue_);
    return !stopped_;
  }

  // Everything queued, on the device and reported.
  bool FlushNow() {
    if (!queue_.empty()) SendGroup();
    std::set<std::uint64_t> flushed;
    FlushVolumes(&flushed);
    ReportSettled(flushed);
    return !stopped_;
  }

  // One flush of each file system that holds a waiting file or a name
  // taken in the last group; `*flushed` gets those where it succeeded.
  void FlushVolumes(std::set<std::uint64_t>* flushed) {
    std::set<std::uint64_t> tried;
    for (const auto& entry : queue_) {
      if (!entry->conversion || !entry->conversion->waiting()) continue;
      const std::uint64_t volume = entry->conversion->original().volume;
      if (tried.insert(volume).second && entry->conversion->FlushFileSystem())
        flushed->insert(volume);
    }
    for (const auto& entry : settling_) {
      if (!entry->renamed || !tried.insert(entry->volume).second) continue;
      if (entry->directory && entry->directory->FlushFileSystem()) flushed->insert(entry->volume);
    }
  }

  // Reports the last group, its folders on the device: by the flush of
  // their file system, or else each folder once. A folder that will not
  // flush is told with each of its files, which are converted.
  void ReportSettled(const std::set<std::uint64_t>& flushed) {
    std::map<std::string, Status> folders;
    for (const auto& entry : settling_) {
      if (!entry->renamed || flushed.count(entry->volume)) continue;
      auto folder = folders.find(entry->folder);
      if (folder == folders.end()) {
        Status synced = entry->directory ? entry->directory->Sync() : Failed(kConvertOpenFailed);
        if (!synced.ok()) {
          synced.result = kConvertFolderNotFlushed;
          synced.step = Step::kSyncFolder;
        }
        folder = folders.emplace(entry->folder, synced).first;
      }
      if (!folder->second.ok()) {
        entry->status.result = folder->second.result;
        entry->status.step = folder->second.step;
        entry->status.error = folder->second.error;
        // Converted, but not yet safe from a crash: a failure, as for one file.
        entry->file.outcome = kOutcomeFailed;
      }
    }
    for (auto& entry : settling_) {
      if (entry->remember && entry->file.outcome == kOutcomeConverted) {
        FileId now;
        if (Identify(entry->name, &now) == EntryKind::kFile) seen_.insert(now);
      }
      Report(*entry);
    }
    settling_.clear();
  }

  // A file with its outcome: reported in turn. False once cancelled.
  bool Finished(std::unique_ptr<Entry> entry) {
    if (!queue_.empty() || !settling_.empty()) {
      queue_.push_back(std::move(entry));
      return !stopped_;
    }
    Report(*entry);
    return !stopped_;
  }

  // The run stops: what waits is completed and reported, then this file.
  bool Cancel(std::unique_ptr<Entry> entry) {
    entry->conversion.reset();
    FlushNow();
    entry->file.outcome = kOutcomeFailed;
    entry->status = Failed(kConvertCancelled);
    stopped_ = summary_.cancelled = 1;
    Report(*entry);
    return false;
  }

  void Report(const Entry& entry) {
    // The report carries three full names: made here, one at a time.
    Shown(entry.file);
    shown_.status = entry.status.ToC();
    const QuenloFileReport& file = shown_;
    if (file.status.result == kConvertCancelled) {
      // Not a failure of the file: the run was stopped.
      if (report_) report_(context_, &file);
      return;
    }
    switch (file.outcome) {
      case kOutcomeConverted: ++summary_.converted; break;
      case kOutcomeAlreadyRight: ++summary_.already_right; break;
      case kOutcomeSkippedBinary: ++summary_.skipped_binary; break;
      case kOutcomeWouldChange: ++summary_.would_change; break;
      case kOutcomeCounted: ++summary_.counted; break;
      default: ++summary_.failed; break;
    }
    if (report_ && !report_(context_, &file)) stopped_ = summary_.cancelled = 1;
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
  std::vector<char> buffer_;
  Status refusal_;  // why Inspect found no text
  bool remember_walked_ = false;
  int stopped_ = 0;
  const QuenloFileReport* current_ = nullptr;
  QuenloFileReport shown_ = {};
  // Files in the order found, those waiting for the group's flush among them.
  std::vector<std::unique_ptr<Entry>> queue_;
  // The group before: its names taken, its folders not yet flushed.
  std::vector<std::unique_ptr<Entry>> settling_;
  std::size_t waiting_ = 0;
  std::int64_t group_bytes_ = 0;
  // Named files, folders walked, and the walked files a later name may meet again.
  std::set<FileId> seen_;
  std::set<FileId> folders_;
};

}  // namespace

QuenloBatchSummary RunBatch(Disk& disk, const char* const* names, int count,
                            const QuenloBatchOptions& options, QuenloFileDone report,
                            QuenloFileProgress progress, void* context) {
  DeferredCloses closes;
  Batch batch(disk, options, report, progress, context);
  const bool style_ok = options.style == kStyleCrLf || options.style == kStyleCr ||
                        options.style == kStyleLf;
  for (int i = 0; i < count && style_ok; ++i)
    if (!batch.Given(i, names[i] ? names[i] : "", i + 1 == count)) break;
  return batch.Finish();
}

}  // namespace quenlo
