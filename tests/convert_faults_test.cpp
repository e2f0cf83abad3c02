// Every step of a conversion made to fail, be cancelled or be cut short by
// the process dying: the file must stay whole, and a failure must name the
// step and leave everything as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "convert.h"
#include "reference_model.h"
#include "temp_dir.h"

namespace {

enum class Step {
  kNone, kCreateWork, kBusy, kOpenInput, kMetadata, kRead, kWrite, kDiskFull, kFlush,
  kCancel, kCancelAfterFlush, kRemoveStale, kRenameOver, kMove, kMoveTo, kRemoveBackup,
};

class FaultyInput : public quenlo::InputFile {
 public:
  FaultyInput(std::unique_ptr<quenlo::InputFile> real, Step fail) : real_(std::move(real)), fail_(fail) {}
  quenlo::Status Read(char* buffer, std::size_t size, std::size_t* got) override {
    // Fail on the second read, after output has been written.
    if (fail_ == Step::kRead && ++reads_ == 2) return quenlo::Failed(kConvertReadFailed, EIO);
    return real_->Read(buffer, size, got);
  }
  std::int64_t Size() override { return real_->Size(); }
  quenlo::InputFile& real() { return *real_; }

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
  FaultyWork(std::unique_ptr<quenlo::WorkFile> real, Step fail, Crash* crash)
      : real_(std::move(real)), fail_(fail), crash_(crash) {}
  quenlo::Status CopyMetadata(quenlo::InputFile& original) override {
    if (fail_ == Step::kMetadata) return quenlo::Failed(kConvertOwnerNotKept, EPERM);
    return real_->CopyMetadata(static_cast<FaultyInput&>(original).real());
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
    return real_->CopyFrom(static_cast<FaultyInput&>(original).real(), size);
  }
  quenlo::Status Flush() override {
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
  int writes_ = 0;
};

// The real disk, with one step failing; optionally without hard links, or
// with the move back failing too.
class FaultyDisk : public quenlo::Disk {
 public:
  FaultyDisk(Step fail, bool links, bool fail_restore = false, Crash* crash = nullptr)
      : fail_(fail), links_(links), fail_restore_(fail_restore), crash_(crash ? crash : &no_crash_) {}

  quenlo::FileKind Kind(const std::string& name) override { return real_.Kind(name); }
  bool Exists(const std::string& name) override { return real_.Exists(name); }
  std::string Resolve(const std::string& name) override { return real_.Resolve(name); }
  int Remove(const std::string& name) override {
    if (fail_ == (committed_ ? Step::kRemoveBackup : Step::kRemoveStale)) return EACCES;
    int error = real_.Remove(name);
    crash_->Step();
    return error;
  }
  bool Link(const std::string& from, const std::string& to) override {
    committed_ = true;
    if (!links_) return false;
    bool linked = real_.Link(from, to);
    crash_->Step();
    return linked;
  }
  quenlo::Status Move(const std::string& from, const std::string& to) override {
    if (fail_ == Step::kMove || (moved_ && fail_restore_))
      return quenlo::Failed(kConvertMoveFailed, EXDEV);
    moved_ = true;
    quenlo::Status status = real_.Move(from, to);
    crash_->Step();
    return status;
  }
  void SyncDirectory(const std::string& name) override { real_.SyncDirectory(name); }
  std::unique_ptr<quenlo::InputFile> OpenInput(const std::string& name,
                                               quenlo::Status* status) override {
    if (fail_ == Step::kOpenInput) {
      *status = quenlo::Failed(kConvertOpenFailed, EACCES);
      return nullptr;
    }
    auto input = real_.OpenInput(name, status);
    return input ? std::make_unique<FaultyInput>(std::move(input), fail_) : nullptr;
  }
  std::unique_ptr<quenlo::WorkFile> CreateWork(const std::string& name,
                                               quenlo::Status* status) override {
    if (fail_ == Step::kCreateWork || fail_ == Step::kBusy) {
      *status = fail_ == Step::kBusy ? quenlo::Failed(kConvertBusy, EWOULDBLOCK)
                                     : quenlo::Failed(kConvertWorkFileFailed, EROFS);
      return nullptr;
    }
    auto work = real_.CreateWork(name, status);
    crash_->Step();
    return work ? std::make_unique<FaultyWork>(std::move(work), fail_, crash_) : nullptr;
  }

 private:
  quenlo::Disk& real_ = quenlo::RealDisk();
  Step fail_;
  bool links_;
  bool fail_restore_;
  Crash no_crash_;
  Crash* crash_;
  bool committed_ = false;
  bool moved_ = false;
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
  bool links;
  int result;
  quenlo::Step where;  // the step the status names
};

using Where = quenlo::Step;
const FaultCase kFaults[] = {
    {Step::kCreateWork, true, kConvertWorkFileFailed, Where::kCreateWork},
    {Step::kBusy, true, kConvertBusy, Where::kCreateWork},
    {Step::kOpenInput, true, kConvertOpenFailed, Where::kOpen},
    {Step::kMetadata, true, kConvertOwnerNotKept, Where::kMetadata},
    {Step::kRead, true, kConvertReadFailed, Where::kRead},
    {Step::kWrite, true, kConvertWriteFailed, Where::kWrite},
    {Step::kDiskFull, true, kConvertDiskFull, Where::kWrite},
    {Step::kFlush, true, kConvertFlushFailed, Where::kFlush},
    {Step::kCancel, true, kConvertCancelled, Where::kRead},
    {Step::kCancelAfterFlush, true, kConvertCancelled, Where::kFlush},
    {Step::kRemoveStale, true, kConvertStaleBackup, Where::kRemoveStale},
#ifndef _WIN32  // the Win32 disk makes no hard links, so it never renames over the name
    {Step::kRenameOver, true, kConvertReplaceFailed, Where::kTakeName},
#endif
    {Step::kMove, false, kConvertMoveFailed, Where::kMakeBackup},
    {Step::kMoveTo, false, kConvertReplaceFailed, Where::kTakeName},
};

TEST(ConvertFaults, EveryFailureLeavesTheFileAsItWas) {
  const std::string original = SampleText();
  for (const FaultCase& fault : kFaults) {
    SCOPED_TRACE(static_cast<int>(fault.step));
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    const std::string backup = file + ".bak";
    WriteFile(file, original);
    WriteFile(backup, "stale");
    FaultyDisk disk(fault.step, fault.links);
    // One call a buffer, and the last one after the flush.
    const int last_call = static_cast<int>((original.size() + kBuffer - 1) / kBuffer) + 1;
    Canceller cancel{fault.step == Step::kCancel             ? 3
                     : fault.step == Step::kCancelAfterFlush ? last_call
                                                             : 0};
    const quenlo::Status status = quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer,
                                                      Canceller::Progress, &cancel);
    EXPECT_EQ(status.result, fault.result);
    EXPECT_EQ(status.step, fault.where);
    // The system's reason travels with every failure but a cancel.
    EXPECT_EQ(status.error != 0, fault.result != kConvertCancelled);
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_FALSE(Exists(file + ".~ql"));
    // The stale backup goes only once the new content is complete.
    bool committing = fault.step == Step::kRenameOver || fault.step == Step::kMove ||
                      fault.step == Step::kMoveTo;
    EXPECT_EQ(ReadFile(backup), committing ? "" : "stale");
    EXPECT_EQ(Exists(backup), !committing);
  }
}

TEST(ConvertFaults, FailedRestoreKeepsTheOriginalUnderTheBackupName) {
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file, SampleText());
  FaultyDisk disk(Step::kMoveTo, false, true);
  const quenlo::Status status = quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer);
  EXPECT_EQ(status.result, kConvertNotRestored);
  EXPECT_EQ(status.step, quenlo::Step::kRestore);
  EXPECT_EQ(ReadFile(file + ".bak"), SampleText());
}

TEST(ConvertFaults, BothCommitPathsAndABackupThatWillNotGo) {
  struct Case {
    bool links;
    Step fail;
    bool keep;
  };
  for (const Case& c : {Case{true, Step::kNone, false}, Case{false, Step::kNone, false},
                        Case{true, Step::kNone, true}, Case{false, Step::kNone, true},
                        Case{true, Step::kRemoveBackup, false},
                        Case{false, Step::kRemoveBackup, false}}) {
    SCOPED_TRACE(testing::Message() << c.links << " " << static_cast<int>(c.fail) << " " << c.keep);
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, "a\r\nb");
    WriteFile(file + ".bak", "stale");
    FaultyDisk disk(c.fail, c.links);
    EXPECT_TRUE(quenlo::ConvertWith(disk, kStyleLf, c.keep, file.c_str(), kBuffer).ok());
    EXPECT_EQ(ReadFile(file), "a\nb");
    bool kept = c.keep || c.fail == Step::kRemoveBackup;
    EXPECT_EQ(Exists(file + ".bak"), kept);
    if (kept) {
      EXPECT_EQ(ReadFile(file + ".bak"), "a\r\nb");
    }
    EXPECT_FALSE(Exists(file + ".~ql"));
  }
}

// Needs fork, which Windows lacks.
#ifndef _WIN32
// The process dies right after each step in turn. Whatever it left, the name
// holds the whole original or the whole new content, or, for the instant
// between the two moves, the backup and the work file hold them; a new run
// then finishes the job.
TEST(ConvertFaults, DyingAfterAnyStepLosesNothing) {
  const std::string original = SampleText();
  const std::string converted = ReferenceConvert(original, kStyleLf);
  for (bool links : {true, false}) {
    for (int die_at = 1;; ++die_at) {
      SCOPED_TRACE(testing::Message() << "links " << links << ", step " << die_at);
      TempDir dir;
      const std::string file = dir.Path("memo.txt");
      const std::string backup = file + ".bak";
      const std::string work = file + ".~ql";
      WriteFile(file, original);
      WriteFile(backup, "stale");
      pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Crash crash{die_at};
        FaultyDisk disk(Step::kNone, links, false, &crash);
        quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer);
        ::_exit(1);  // the conversion ran to its end
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));

      if (Exists(file)) {
        std::string now = ReadFile(file);
        EXPECT_TRUE(now == original || now == converted);
      } else {
        EXPECT_EQ(ReadFile(backup), original);
        EXPECT_EQ(ReadFile(work), converted);
        ::rename(backup.c_str(), file.c_str());
      }
      EXPECT_TRUE(quenlo::ConvertWith(quenlo::RealDisk(), kStyleLf, false, file.c_str()).ok());
      EXPECT_EQ(ReadFile(file), converted);
      EXPECT_FALSE(Exists(work));
      if (WEXITSTATUS(status) == 1) break;
    }
  }
}
#endif

}  // namespace
