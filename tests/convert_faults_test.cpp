// Every step of a conversion made to fail, be cancelled or be cut short by
// the process dying: the file must stay whole, and a failure must name the
// step and leave everything as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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
  std::int64_t Read(char* buffer, std::size_t size) override {
    // Fail on the second read, after output has been written.
    if (fail_ == Step::kRead && ++reads_ == 2) return -1;
    return real_->Read(buffer, size);
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
    if (++steps == die_at) ::_exit(0);
  }
};

class FaultyWork : public quenlo::WorkFile {
 public:
  FaultyWork(std::unique_ptr<quenlo::WorkFile> real, Step fail, Crash* crash)
      : real_(std::move(real)), fail_(fail), crash_(crash) {}
  int CopyMetadata(quenlo::InputFile& original) override {
    if (fail_ == Step::kMetadata) return kConvertOwnerNotKept;
    return real_->CopyMetadata(static_cast<FaultyInput&>(original).real());
  }
  char* Room(std::size_t size) override { return real_->Room(size); }
  int Write(std::size_t size) override {
    // A short write on the second call, as on a full disk.
    if ((fail_ == Step::kWrite || fail_ == Step::kDiskFull) && ++writes_ == 2) {
      real_->Write(size / 2);
      return fail_ == Step::kWrite ? kConvertWriteFailed : kConvertDiskFull;
    }
    int result = real_->Write(size);
    crash_->Step();
    return result;
  }
  int CopyFrom(quenlo::InputFile& original, std::int64_t size) override {
    return real_->CopyFrom(static_cast<FaultyInput&>(original).real(), size);
  }
  int Flush() override {
    if (fail_ == Step::kFlush) return kConvertFlushFailed;
    int result = real_->Flush();
    crash_->Step();
    return result;
  }
  int MoveTo(const std::string& name, bool replace) override {
    if (fail_ == (replace ? Step::kRenameOver : Step::kMoveTo)) return kConvertMoveFailed;
    int result = real_->MoveTo(name, replace);
    crash_->Step();
    return result;
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
  bool Remove(const std::string& name) override {
    if (fail_ == (committed_ ? Step::kRemoveBackup : Step::kRemoveStale)) return false;
    bool removed = real_.Remove(name);
    crash_->Step();
    return removed;
  }
  bool Link(const std::string& from, const std::string& to) override {
    committed_ = true;
    if (!links_) return false;
    bool linked = real_.Link(from, to);
    crash_->Step();
    return linked;
  }
  int Move(const std::string& from, const std::string& to) override {
    if (fail_ == Step::kMove || (moved_ && fail_restore_)) return kConvertMoveFailed;
    moved_ = true;
    int result = real_.Move(from, to);
    crash_->Step();
    return result;
  }
  void SyncDirectory(const std::string& name) override { real_.SyncDirectory(name); }
  std::unique_ptr<quenlo::InputFile> OpenInput(const std::string& name, int* result) override {
    if (fail_ == Step::kOpenInput) {
      *result = kConvertOpenFailed;
      return nullptr;
    }
    auto input = real_.OpenInput(name, result);
    return input ? std::make_unique<FaultyInput>(std::move(input), fail_) : nullptr;
  }
  std::unique_ptr<quenlo::WorkFile> CreateWork(const std::string& name, int* result) override {
    if (fail_ == Step::kCreateWork || fail_ == Step::kBusy) {
      *result = fail_ == Step::kBusy ? kConvertBusy : kConvertOpenFailed;
      return nullptr;
    }
    auto work = real_.CreateWork(name, result);
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
};

const FaultCase kFaults[] = {
    {Step::kCreateWork, true, kConvertOpenFailed},
    {Step::kBusy, true, kConvertBusy},
    {Step::kOpenInput, true, kConvertOpenFailed},
    {Step::kMetadata, true, kConvertOwnerNotKept},
    {Step::kRead, true, kConvertReadFailed},
    {Step::kWrite, true, kConvertWriteFailed},
    {Step::kDiskFull, true, kConvertDiskFull},
    {Step::kFlush, true, kConvertFlushFailed},
    {Step::kCancel, true, kConvertCancelled},
    {Step::kCancelAfterFlush, true, kConvertCancelled},
    {Step::kRemoveStale, true, kConvertStaleBackup},
    {Step::kRenameOver, true, kConvertMoveFailed},
    {Step::kMove, false, kConvertMoveFailed},
    {Step::kMoveTo, false, kConvertMoveFailed},
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
    EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer,
                                  Canceller::Progress, &cancel),
              fault.result);
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
  EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), kBuffer), kConvertNotRestored);
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
    EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, c.keep, file.c_str(), kBuffer), kConvertOk);
    EXPECT_EQ(ReadFile(file), "a\nb");
    bool kept = c.keep || c.fail == Step::kRemoveBackup;
    EXPECT_EQ(Exists(file + ".bak"), kept);
    if (kept) {
      EXPECT_EQ(ReadFile(file + ".bak"), "a\r\nb");
    }
    EXPECT_FALSE(Exists(file + ".~ql"));
  }
}

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
      EXPECT_EQ(quenlo::ConvertWith(quenlo::RealDisk(), kStyleLf, false, file.c_str()), kConvertOk);
      EXPECT_EQ(ReadFile(file), converted);
      EXPECT_FALSE(Exists(work));
      if (WEXITSTATUS(status) == 1) break;
    }
  }
}

}  // namespace
