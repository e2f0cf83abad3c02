// Every step of a conversion made to fail, be cancelled or be cut short by
// the process dying: the file must stay whole, and a failure must name the
// step and leave everything as it was, an old backup included.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "convert.h"
#include "reference_model.h"
#include "temp_dir.h"

namespace {

enum class Step {
  kNone, kCreateWork, kBusy, kOpenInput, kMetadata, kMode, kRead, kWrite, kDiskFull, kFlush,
  kCancel, kCancelAfterFlush, kReplaced, kMoveAside, kRenameOver, kMove, kMoveTo, kRemoveBackup,
};

// How the commit goes: a rename over the name (no -R), a hard link then
// that rename (-R), or two moves (no hard links, or no replacing rename).
enum class Path { kRename, kLinked, kMoves };

class FaultyInput : public quenlo::InputFile {
 public:
  FaultyInput(std::unique_ptr<quenlo::InputFile> real, Step fail) : real_(std::move(real)), fail_(fail) {}
  quenlo::Status Read(char* buffer, std::size_t size, std::size_t* got) override {
    // Fail on the second read, after output has been written.
    if (fail_ == Step::kRead && ++reads_ == 2) return quenlo::Failed(kConvertReadFailed, EIO);
    return real_->Read(buffer, size, got);
  }
  quenlo::Status State(quenlo::FileState* state) override { return real_->State(state); }
  quenlo::NativeFile native() const override { return real_->native(); }

 private:
  std::unique_ptr<quenlo::InputFile> real_;
  Step fail_;
  int reads_ = 0;
};

// Counts the steps that change the disk; at step `die_at` the process ends
// right after doing it, as a kill -9 or a power cut would end it.
struct Crash {
  int die_at = 0;
  int steps = 0;
  void Step() {
    if (++steps == die_at) std::_Exit(0);
  }
};

class FaultyWork : public quenlo::WorkFile {
 public:
  FaultyWork(std::unique_ptr<quenlo::WorkFile> real, Step fail, Crash* crash,
             std::function<void()> before_flush)
      : real_(std::move(real)), fail_(fail), crash_(crash), before_flush_(std::move(before_flush)) {}
  quenlo::Status CopyMetadata(quenlo::InputFile& original) override {
    if (fail_ == Step::kMetadata) return quenlo::Failed(kConvertOwnerNotKept, EPERM);
    return real_->CopyMetadata(original);
  }
  quenlo::Status CopyMode(quenlo::InputFile& original) override {
    if (fail_ == Step::kMode) return quenlo::Failed(kConvertModeNotKept, EPERM);
    return real_->CopyMode(original);
  }
  char* Room(std::size_t size) override { return real_->Room(size); }
  quenlo::Status Write(std::size_t size) override {
    // A short write on the second call, as on a full disk.
    if ((fail_ == Step::kWrite || fail_ == Step::kDiskFull) && ++writes_ == 2) {
      real_->Write(size / 2);
      return fail_ == Step::kWrite ? quenlo::Failed(kConvertWriteFailed, EIO)
                                   : quenlo::Failed(kConvertDiskFull, ENOSPC);
    }
    quenlo::Status status = real_->Write(size);
    crash_->Step();
    return status;
  }
  quenlo::Status CopyFrom(quenlo::InputFile& original, std::int64_t size) override {
    return real_->CopyFrom(original, size);
  }
  quenlo::Status Flush() override {
    before_flush_();
    if (fail_ == Step::kFlush) return quenlo::Failed(kConvertFlushFailed, EIO);
    quenlo::Status status = real_->Flush();
    crash_->Step();
    return status;
  }
  quenlo::Status MoveTo(const std::string& name, bool replace) override {
    if (fail_ == (replace ? Step::kRenameOver : Step::kMoveTo))
      return quenlo::Failed(kConvertMoveFailed, EBUSY);
    quenlo::Status status = real_->MoveTo(name, replace);
    crash_->Step();
    return status;
  }

 private:
  std::unique_ptr<quenlo::WorkFile> real_;
  Step fail_;
  Crash* crash_;
  std::function<void()> before_flush_;
  int writes_ = 0;
};

// The real directory, with one step failing, the commit taking `path`, and
// optionally the move back failing too.
class FaultyDirectory : public quenlo::Directory {
 public:
  FaultyDirectory(std::unique_ptr<quenlo::Directory> real, Step fail, Path path,
                  bool fail_restore, Crash* crash, std::function<void()> before_flush)
      : real_(std::move(real)), fail_(fail), path_(path), fail_restore_(fail_restore),
        crash_(crash), before_flush_(std::move(before_flush)) {}

  quenlo::Status State(const std::string& name, quenlo::FileState* state) override {
    return real_->State(name, state);
  }
  quenlo::Status Exists(const std::string& name, bool* exists) override {
    return real_->Exists(name, exists);
  }
  quenlo::Status Remove(const std::string& name) override {
    if (fail_ == Step::kRemoveBackup && name.size() > 4 && name.substr(name.size() - 4) == ".bak")
      return quenlo::Failed(kConvertMoveFailed, EACCES, name);
    quenlo::Status status = real_->Remove(name);
    crash_->Step();
    return status;
  }
  quenlo::Status Link(const std::string& from, const std::string& to) override {
    if (path_ != Path::kLinked) return quenlo::Failed(kConvertMoveFailed, EPERM, to);
    quenlo::Status status = real_->Link(from, to);
    crash_->Step();
    return status;
  }
  quenlo::Status Move(const std::string& from, const std::string& to) override {
    auto aside = [](const std::string& name) {
      return name.size() > 4 && name.substr(name.size() - 4) == ".~qb";
    };
    // The file's own moves: to the backup, then back.
    const int own = aside(from) || aside(to) ? 0 : ++own_moves_;
    if ((fail_ == Step::kMoveAside && aside(to)) || (fail_ == Step::kMove && own == 1) ||
        (fail_restore_ && own >= 2))
      return quenlo::Failed(kConvertMoveFailed, EXDEV);
    quenlo::Status status = real_->Move(from, to);
    crash_->Step();
    return status;
  }
  quenlo::Status Sync() override { return real_->Sync(); }
  bool ReplacesByRename() override { return path_ != Path::kMoves; }
  std::size_t NameLimit() override { return real_->NameLimit(); }
  quenlo::Status OpenInput(const std::string& name,
                           std::unique_ptr<quenlo::InputFile>* input) override {
    if (fail_ == Step::kOpenInput) return quenlo::Failed(kConvertOpenFailed, EACCES, name);
    quenlo::Status status = real_->OpenInput(name, input);
    if (status.ok()) *input = std::make_unique<FaultyInput>(std::move(*input), fail_);
    return status;
  }
  quenlo::Status CreateWork(const std::string& name,
                            std::unique_ptr<quenlo::WorkFile>* work) override {
    if (fail_ == Step::kBusy) return quenlo::Failed(kConvertBusy);
    if (fail_ == Step::kCreateWork) return quenlo::Failed(kConvertWorkFileFailed, EROFS, name);
    quenlo::Status status = real_->CreateWork(name, work);
    crash_->Step();
    if (status.ok())
      *work = std::make_unique<FaultyWork>(std::move(*work), fail_, crash_, before_flush_);
    return status;
  }
  quenlo::Status IsHeld(const std::string& name, bool* held) override {
    return real_->IsHeld(name, held);
  }

 private:
  std::unique_ptr<quenlo::Directory> real_;
  Step fail_;
  Path path_;
  bool fail_restore_;
  Crash* crash_;
  std::function<void()> before_flush_;
  int own_moves_ = 0;
};

class FaultyDisk : public quenlo::Disk {
 public:
  FaultyDisk(Step fail, Path path, bool fail_restore = false, Crash* crash = nullptr,
             std::function<void()> before_flush = [] {})
      : fail_(fail), path_(path), fail_restore_(fail_restore),
        crash_(crash ? crash : &no_crash_), before_flush_(std::move(before_flush)) {}

  quenlo::FileKind Kind(const std::string& name) override { return real_.Kind(name); }
  quenlo::ResolvedName Resolve(const std::string& name) override { return real_.Resolve(name); }
  quenlo::Status OpenDirectory(const std::string& path,
                               std::unique_ptr<quenlo::Directory>* dir) override {
    quenlo::Status status = real_.OpenDirectory(path, dir);
    if (status.ok())
      *dir = std::make_unique<FaultyDirectory>(std::move(*dir), fail_, path_, fail_restore_,
                                               crash_, before_flush_);
    return status;
  }

 private:
  quenlo::Disk& real_ = quenlo::RealDisk();
  Step fail_;
  Path path_;
  bool fail_restore_;
  Crash no_crash_;
  Crash* crash_;
  std::function<void()> before_flush_;
};

// Answers "stop" at its `stop_at`th call.
struct Canceller {
  int stop_at;
  int calls = 0;
  static int Progress(void* context, std::int64_t, std::int64_t) {
    auto* self = static_cast<Canceller*>(context);
    return ++self->calls != self->stop_at;
  }
};

std::string SampleText() {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

constexpr std::size_t kBuffer = 64;

struct FaultCase {
  Step step;
  Path path;
  int result;
  quenlo::Step where;  // the step the status names
};

using Where = quenlo::Step;
const FaultCase kFaults[] = {
    {Step::kCreateWork, Path::kRename, kConvertWorkFileFailed, Where::kCreateWork},
    {Step::kBusy, Path::kRename, kConvertBusy, Where::kCreateWork},
    {Step::kOpenInput, Path::kRename, kConvertOpenFailed, Where::kOpen},
    {Step::kMetadata, Path::kRename, kConvertOwnerNotKept, Where::kMetadata},
    {Step::kMode, Path::kRename, kConvertModeNotKept, Where::kMetadata},
    {Step::kRead, Path::kRename, kConvertReadFailed, Where::kRead},
    {Step::kWrite, Path::kRename, kConvertWriteFailed, Where::kWrite},
    {Step::kDiskFull, Path::kRename, kConvertDiskFull, Where::kWrite},
    {Step::kFlush, Path::kRename, kConvertFlushFailed, Where::kFlush},
    {Step::kCancel, Path::kRename, kConvertCancelled, Where::kRead},
    {Step::kCancelAfterFlush, Path::kRename, kConvertCancelled, Where::kFlush},
#ifndef _WIN32  // Windows holds the file read against that
    // Another program puts a new file under the name before the commit.
    {Step::kReplaced, Path::kMoves, kConvertFileChanged, Where::kTakeName},
    {Step::kReplaced, Path::kRename, kConvertFileChanged, Where::kTakeName},
#endif
    {Step::kRenameOver, Path::kRename, kConvertReplaceFailed, Where::kTakeName},
    {Step::kMoveAside, Path::kLinked, kConvertStaleBackup, Where::kRemoveStale},
    {Step::kRenameOver, Path::kLinked, kConvertReplaceFailed, Where::kTakeName},
    {Step::kMoveAside, Path::kMoves, kConvertStaleBackup, Where::kRemoveStale},
    {Step::kMove, Path::kMoves, kConvertMoveFailed, Where::kMakeBackup},
    {Step::kMoveTo, Path::kMoves, kConvertReplaceFailed, Where::kTakeName},
};

TEST(ConvertFaults, EveryFailureLeavesTheFileAndAnOldBackupAsTheyWere) {
  const std::string original = SampleText();
  for (const FaultCase& fault : kFaults) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(fault.step) << " path "
                                    << static_cast<int>(fault.path));
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    const std::string backup = file + ".bak";
    WriteFile(file, original);
    WriteFile(backup, "stale");
    auto replace = [&] {
      if (fault.step != Step::kReplaced) return;
      WriteFile(file + ".new", original);
      std::filesystem::rename(file + ".new", file);
    };
    FaultyDisk disk(fault.step, fault.path, false, nullptr, replace);
    // One call a buffer, and the last one after the flush.
    const int last_call = static_cast<int>((original.size() + kBuffer - 1) / kBuffer) + 1;
    Canceller cancel{fault.step == Step::kCancel             ? 3
                     : fault.step == Step::kCancelAfterFlush ? last_call
                                                             : 0};
    const bool keep = fault.path != Path::kRename;
    const quenlo::Status status = quenlo::ConvertWith(disk, kStyleLf, keep, file.c_str(), kBuffer,
                                                      Canceller::Progress, &cancel);
    EXPECT_EQ(status.result, fault.result);
    EXPECT_EQ(status.step, fault.where);
    // The system's reason travels with every failure it gave.
    const bool own = fault.result == kConvertCancelled || fault.result == kConvertFileChanged ||
                     fault.result == kConvertBusy;
    EXPECT_EQ(status.error != 0, !own);
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_EQ(ReadFile(backup), "stale");
    EXPECT_FALSE(Exists(file + ".~ql"));
    EXPECT_FALSE(Exists(file + ".~qb"));
  }
}

TEST(ConvertFaults, FailedRestoreKeepsTheOriginalUnderTheBackupName) {
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file, SampleText());
  FaultyDisk disk(Step::kMoveTo, Path::kMoves, true);
  const quenlo::Status status = quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer);
  EXPECT_EQ(status.result, kConvertNotRestored);
  EXPECT_EQ(status.step, quenlo::Step::kRestore);
  EXPECT_EQ(ReadFile(file + ".bak"), SampleText());
}

TEST(ConvertFaults, EveryCommitPathAndABackupThatWillNotGo) {
  struct Case {
    Path path;
    Step fail;
    bool keep;
  };
  const Case cases[] = {
      {Path::kRename, Step::kNone, false},
      {Path::kLinked, Step::kNone, true},
      {Path::kRename, Step::kRemoveBackup, false},
      // A newer backup put there meanwhile is not the stale one to remove.
      {Path::kRename, Step::kReplaced, false},
      {Path::kMoves, Step::kNone, false},
      {Path::kMoves, Step::kNone, true},
      {Path::kMoves, Step::kRemoveBackup, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.path) << " " << static_cast<int>(c.fail)
                                    << " " << c.keep);
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, "a\r\nb");
    WriteFile(file + ".bak", "stale");
    auto replace_backup = [&] {
      if (c.fail != Step::kReplaced) return;
      WriteFile(file + ".new", "newer");
      std::filesystem::rename(file + ".new", file + ".bak");
    };
    FaultyDisk disk(c.fail, c.path, false, nullptr, replace_backup);
    EXPECT_TRUE(quenlo::ConvertWith(disk, kStyleLf, c.keep, file.c_str(), kBuffer).ok());
    EXPECT_EQ(ReadFile(file), "a\nb");
    // With -R the backup is replaced. Without, one that will not go stays:
    // the stale one, or where the original was moved, the original.
    const bool stays = c.fail == Step::kRemoveBackup;
    const std::string left = c.fail == Step::kReplaced                     ? "newer"
                             : c.keep || (stays && c.path == Path::kMoves) ? "a\r\nb"
                             : stays                                       ? "stale"
                                                                           : "";
    EXPECT_EQ(Exists(file + ".bak"), !left.empty());
    if (!left.empty()) {
      EXPECT_EQ(ReadFile(file + ".bak"), left);
    }
    EXPECT_FALSE(Exists(file + ".~ql"));
    EXPECT_FALSE(Exists(file + ".~qb"));
  }
}

// Needs fork, which Windows lacks.
#ifndef _WIN32
// The process dies right after each step in turn. Whatever it left, the name
// holds the whole original or the whole new content, or, for the instant
// between two moves, the backup and the work file hold them; the next run
// puts things right by itself and converts.
TEST(ConvertFaults, DyingAfterAnyStepLosesNothing) {
  const std::string original = SampleText();
  const std::string converted = ReferenceConvert(original, kStyleLf);
  for (Path path : {Path::kRename, Path::kLinked, Path::kMoves}) {
    for (int die_at = 1;; ++die_at) {
      SCOPED_TRACE(testing::Message() << "path " << static_cast<int>(path) << ", step " << die_at);
      TempDir dir;
      const std::string file = dir.Path("memo.txt");
      const std::string backup = file + ".bak";
      const std::string work = file + ".~ql";
      WriteFile(file, original);
      WriteFile(backup, "stale");
      const bool keep = path != Path::kRename;
      pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Crash crash{die_at};
        FaultyDisk disk(Step::kNone, path, false, &crash);
        quenlo::ConvertWith(disk, kStyleLf, keep, file.c_str(), kBuffer);
        ::_exit(1);  // the conversion ran to its end
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));

      const bool absent = !Exists(file);
      if (!absent) {
        std::string now = ReadFile(file);
        EXPECT_TRUE(now == original || now == converted);
      } else {
        EXPECT_EQ(ReadFile(backup), original);
        EXPECT_EQ(ReadFile(work), converted);
      }
      EXPECT_EQ(quenlo_name_kind(file.c_str()), kNameConvertible);
      const quenlo::Status rerun =
          quenlo::ConvertWith(quenlo::RealDisk(), kStyleLf, keep, file.c_str());
      EXPECT_TRUE(rerun.ok());
      EXPECT_EQ(rerun.recovered, absent);
      EXPECT_EQ(ReadFile(file), converted);
      EXPECT_FALSE(Exists(work));
      EXPECT_FALSE(Exists(file + ".~qb"));
      if (WEXITSTATUS(status) == 1) break;
    }
  }
}
#endif

}  // namespace
