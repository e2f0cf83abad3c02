// Every step of a conversion made to fail, be cancelled or be cut short by
// the process dying: the file must stay whole, and a failure must name the
// step and leave everything as it was, an old backup included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "convert.h"
#include "reference_model.h"
#include "temp_dir.h"

namespace {

enum class Step {
  kNone, kLocate, kCreateWork, kBusy, kOpenInput, kStat, kMetadata, kMode, kRead, kWrite, kDiskFull,
  kFlush, kCancel, kCancelAfterFlush, kReplaced, kRewritten, kTimeBack, kMoveAside, kLink,
  kRenameOver, kMove, kMoveTo, kRemoveBackup,
};

// What the system says where the file system has no hard links.
#ifdef _WIN32
constexpr int kNoHardLinks = 50;  // ERROR_NOT_SUPPORTED
#else
constexpr int kNoHardLinks = EPERM;
#endif

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
  quenlo::Status State(quenlo::FileState* state) override {
    // The second look, once the content has been read.
    if (fail_ == Step::kStat && ++states_ == 2) return quenlo::Failed(kConvertReadFailed, EIO);
    return real_->State(state);
  }
  quenlo::NativeFile native() const override { return real_->native(); }

 private:
  std::unique_ptr<quenlo::InputFile> real_;
  Step fail_;
  int reads_ = 0;
  int states_ = 0;
};

// Counts the steps that change the disk; at step `die_at` the process ends
// right after doing it, as a kill -9 or a power cut would end it. With a
// `log`, records each step, and whether `watch` was ever absent after one.
struct Crash {
  int die_at = 0;
  int steps = 0;
  std::vector<std::string>* log = nullptr;
  std::string watch;
  bool absent = false;
  void Step(const std::string& what) {
    if (++steps == die_at) std::_Exit(0);
    if (log) log->push_back(what);
    if (!watch.empty() && !Exists(watch)) absent = true;
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
    crash_->Step("write");
    return status;
  }
  quenlo::Status CopyFrom(quenlo::InputFile& original, std::int64_t size) override {
    return real_->CopyFrom(original, size);
  }
  quenlo::Status Flush() override {
    before_flush_();
    if (fail_ == Step::kFlush) return quenlo::Failed(kConvertFlushFailed, EIO);
    quenlo::Status status = real_->Flush();
    crash_->Step("flush");
    return status;
  }
  quenlo::Status MoveTo(const std::string& name, bool replace) override {
    if (fail_ == (replace ? Step::kRenameOver : Step::kMoveTo))
      return quenlo::Failed(kConvertMoveFailed, EBUSY);
    quenlo::Status status = real_->MoveTo(name, replace);
    crash_->Step("move to " + name);
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
    crash_->Step("remove " + name);
    return status;
  }
  quenlo::Status Link(const std::string& from, const std::string& to) override {
    if (path_ != Path::kLinked) return quenlo::Failed(kConvertMoveFailed, kNoHardLinks, to);
    if (fail_ == Step::kLink) return quenlo::Failed(kConvertMoveFailed, EACCES, to);
    quenlo::Status status = real_->Link(from, to);
    crash_->Step("link " + from + " " + to);
    return status;
  }
  quenlo::Status Move(const std::string& from, const std::string& to) override {
    auto aside = [](const std::string& name) {
      return name.size() > 4 && name.substr(name.size() - 4) == ".~qb";
    };
    // The file's own moves: to the backup, then back. With fail_restore,
    // every move that puts something back fails.
    const int own = aside(from) || aside(to) ? 0 : ++own_moves_;
    if ((fail_ == Step::kMoveAside && aside(to)) || (fail_ == Step::kMove && own == 1) ||
        (fail_restore_ && (own >= 2 || aside(from))))
      return quenlo::Failed(kConvertMoveFailed, EXDEV);
    quenlo::Status status = real_->Move(from, to);
    crash_->Step("move " + from + " " + to);
    return status;
  }
  quenlo::Status Sync() override {
    quenlo::Status status = real_->Sync();
    crash_->Step("sync");
    return status;
  }
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
    crash_->Step("create " + name);
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

  quenlo::Status Locate(const std::string& name, quenlo::Located* file) override {
    if (fail_ == Step::kLocate) return quenlo::Failed(kConvertReadFailed, EIO, name);
    quenlo::Status status = real_.Locate(name, file);
    if (file->directory)
      file->directory = std::make_unique<FaultyDirectory>(std::move(file->directory), fail_, path_,
                                                          fail_restore_, crash_, before_flush_);
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
    {Step::kLocate, Path::kRename, kConvertReadFailed, Where::kCheckName},
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
    // Its modification time put back after a change: the change time tells.
    {Step::kTimeBack, Path::kRename, kConvertFileChanged, Where::kTakeName},
#endif
    // A file already in the style, -R, and the look after reading fails.
    {Step::kStat, Path::kLinked, kConvertReadFailed, Where::kRead},
    // No room or no access for the link: not the two moves, which would
    // leave the name absent.
    {Step::kLink, Path::kLinked, kConvertMoveFailed, Where::kMakeBackup},
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
      if (fault.step == Step::kTimeBack) {
        // Past the clock tick the change time is kept in.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file));
      }
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
    // kStat meets a file already in the style.
    const int style = fault.step == Step::kStat ? kStyleCrLf : kStyleLf;
    const quenlo::Status status = quenlo::ConvertWith(disk, style, keep, file.c_str(), kBuffer,
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

// Where putting something back fails as well, or no work file can be made:
// nothing is removed that is not somewhere else too, and the result says
// where it is.
TEST(ConvertFaults, WhatIsLeftWhenPuttingBackFails) {
  const std::string original = SampleText();
  const std::string lf = ReferenceConvert(original, kStyleLf);
  struct Case {
    Step fail;
    Path path;
    const std::string& content;
    int result;
    quenlo::Step where;
    const char* file;  // what is left under each name; null: nothing
    const char* backup;
    const char* aside;
  };
  const char* kOriginal = "original";
  const Case cases[] = {
      // The original stays the backup; the old backup stays aside.
      {Step::kMoveTo, Path::kMoves, original, kConvertNotRestored, quenlo::Step::kRestore, nullptr,
       kOriginal, "stale"},
      // The old backup cannot go back: left aside, and named.
      {Step::kRenameOver, Path::kLinked, original, kConvertOldBackupAside,
       quenlo::Step::kPutBackOld, kOriginal, nullptr, "stale"},
      // No work file on a read-only file system, and none needed.
      {Step::kCreateWork, Path::kRename, lf, kConvertOk, quenlo::Step::kNone, kOriginal, "stale",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.fail));
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, c.content);
    WriteFile(file + ".bak", "stale");
    FaultyDisk disk(c.fail, c.path, true);
    const quenlo::Status status =
        quenlo::ConvertWith(disk, kStyleLf, c.path == Path::kLinked, file.c_str(), kBuffer);
    EXPECT_EQ(status.result, c.result);
    EXPECT_EQ(status.step, c.where);
    EXPECT_EQ(std::filesystem::path(status.aside), std::filesystem::path(file + ".~qb"));
    for (auto [name, left] : {std::pair(file, c.file), std::pair(file + ".bak", c.backup),
                              std::pair(file + ".~qb", c.aside)}) {
      SCOPED_TRACE(name);
      EXPECT_EQ(Exists(name), left != nullptr);
      if (left) {
        EXPECT_EQ(ReadFile(name), left == kOriginal ? c.content : std::string(left));
      }
    }
    EXPECT_FALSE(Exists(file + ".~ql"));
  }
  // A killed run's original that cannot be put back from the backup.
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file + ".bak", original);
  WriteFile(file + ".~ql", lf);
  FaultyDisk disk(Step::kMove, Path::kMoves);
  const quenlo::Status status = quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer);
  EXPECT_EQ(status.result, kConvertRecoveryFailed);
  EXPECT_EQ(status.step, quenlo::Step::kRestore);
  EXPECT_EQ(std::filesystem::path(status.backup), std::filesystem::path(file + ".bak"));
  EXPECT_EQ(ReadFile(file + ".bak"), original);
  EXPECT_FALSE(Exists(file));
}

// The order in which the commit reaches the disk: the last write, the work
// file's flush, the move onto the name, the folder's flush. With -R where
// there are links, the name is there after every step.
TEST(ConvertFaults, StepsReachTheDiskInOrder) {
  for (Path path : {Path::kRename, Path::kLinked}) {
    SCOPED_TRACE(static_cast<int>(path));
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, SampleText());
    WriteFile(file + ".bak", "stale");
    std::vector<std::string> log;
    Crash record;
    record.log = &log;
    record.watch = file;
    FaultyDisk disk(Step::kNone, path, false, &record);
    ASSERT_TRUE(
        quenlo::ConvertWith(disk, kStyleLf, path == Path::kLinked, file.c_str(), kBuffer).ok());
    auto first = [&](const std::string& what) {
      return std::find(log.begin(), log.end(), what) - log.begin();
    };
    const auto last_write = log.rend() - std::find(log.rbegin(), log.rend(), "write") - 1;
    EXPECT_LT(last_write, first("flush"));
    EXPECT_LT(first("flush"), first("move to memo.txt"));
    EXPECT_LT(first("move to memo.txt"), first("sync"));
    EXPECT_LT(first("sync"), static_cast<std::ptrdiff_t>(log.size()));
    EXPECT_FALSE(record.absent);
  }
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
      // A newer backup put there meanwhile, or the stale one written over in
      // place, is not the stale one to remove.
      {Path::kRename, Step::kReplaced, false},
      {Path::kRename, Step::kRewritten, false},
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
      if (c.fail == Step::kRewritten) WriteFile(file + ".bak", "newer");
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
    const bool newer = c.fail == Step::kReplaced || c.fail == Step::kRewritten;
    const std::string left = newer                                         ? "newer"
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
        Crash crash;
        crash.die_at = die_at;
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

// A name past the file system's limit is shortened as that limit counts:
// in bytes on POSIX systems, in UTF-16 units on Windows, and there between
// characters, so that the shorter name is still valid UTF-8.
TEST(Names, CutWhereTheLimitCounts) {
  const std::string name = "ab\xC3\xA9\xF0\x9F\x98\x80";  // "ab", e acute, an emoji
#ifdef _WIN32
  EXPECT_EQ(quenlo::NameLength(name), 5u);
  EXPECT_EQ(quenlo::NameStart(name, 3), "ab\xC3\xA9");
  EXPECT_EQ(quenlo::NameStart(name, 4), "ab\xC3\xA9");  // the emoji takes two
  EXPECT_EQ(quenlo::NameStart(name, 5), name);
#else
  EXPECT_EQ(quenlo::NameLength(name), 8u);
  EXPECT_EQ(quenlo::NameStart(name, 5), "ab\xC3\xA9\xF0");
#endif
}

}  // namespace
