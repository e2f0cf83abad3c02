// Every step of a conversion made to fail in turn: the file must come back
// as it was, and the result must name the step.
#include <gtest/gtest.h>

#include <unistd.h>

#include "convert.h"
#include "temp_dir.h"

namespace {

enum class Step {
  kNone, kRemoveStale, kMove, kOpenInput, kCreateOutput, kRead, kWrite, kFlush,
  kCloseOutput, kCloseInput, kRemoveBackup,
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
  bool Close() override { return real_->Close() && fail_ != Step::kCloseInput; }

 private:
  std::unique_ptr<quenlo::InputFile> real_;
  Step fail_;
  int reads_ = 0;
};

class FaultyOutput : public quenlo::OutputFile {
 public:
  FaultyOutput(std::unique_ptr<quenlo::OutputFile> real, Step fail) : real_(std::move(real)), fail_(fail) {}
  bool Write(const char* data, std::size_t size) override {
    // A short write on the second call, as on a full disk.
    if (fail_ == Step::kWrite && ++writes_ == 2) {
      real_->Write(data, size / 2);
      return false;
    }
    return real_->Write(data, size);
  }
  bool Flush() override { return fail_ != Step::kFlush && real_->Flush(); }
  bool Close() override { return real_->Close() && fail_ != Step::kCloseOutput; }

 private:
  std::unique_ptr<quenlo::OutputFile> real_;
  Step fail_;
  int writes_ = 0;
};

// The real disk, with one step failing; optionally the move back too.
class FaultyDisk : public quenlo::Disk {
 public:
  FaultyDisk(Step fail, bool fail_restore) : fail_(fail), fail_restore_(fail_restore) {}

  quenlo::FileKind Kind(const std::string& name) override { return real_.Kind(name); }
  bool Exists(const std::string& name) override { return real_.Exists(name); }
  std::string Resolve(const std::string& name) override { return real_.Resolve(name); }
  bool Remove(const std::string& name) override {
    bool is_backup = name.size() > 4 && name.compare(name.size() - 4, 4, ".bak") == 0;
    if (is_backup && fail_ == (moved_ ? Step::kRemoveBackup : Step::kRemoveStale)) return false;
    return real_.Remove(name);
  }
  bool Move(const std::string& from, const std::string& to) override {
    if (!moved_) {
      moved_ = true;
      if (fail_ == Step::kMove) return false;
    } else if (fail_restore_) {
      return false;
    }
    return real_.Move(from, to);
  }
  std::unique_ptr<quenlo::InputFile> OpenInput(const std::string& name) override {
    if (fail_ == Step::kOpenInput) return nullptr;
    return std::make_unique<FaultyInput>(real_.OpenInput(name), fail_);
  }
  std::unique_ptr<quenlo::OutputFile> CreateOutput(const std::string& name,
                                                   const std::string& like) override {
    if (fail_ == Step::kCreateOutput) return nullptr;
    return std::make_unique<FaultyOutput>(real_.CreateOutput(name, like), fail_);
  }

 private:
  quenlo::Disk& real_ = quenlo::RealDisk();
  Step fail_;
  bool fail_restore_;
  bool moved_ = false;
};

struct FaultCase {
  Step step;
  int result;
};

const FaultCase kFaults[] = {
    {Step::kRemoveStale, kConvertStaleBackup}, {Step::kMove, kConvertMoveFailed},
    {Step::kOpenInput, kConvertOpenFailed},    {Step::kCreateOutput, kConvertOpenFailed},
    {Step::kRead, kConvertReadFailed},         {Step::kWrite, kConvertWriteFailed},
    {Step::kFlush, kConvertFlushFailed},       {Step::kCloseOutput, kConvertCloseFailed},
    {Step::kCloseInput, kConvertCloseFailed},
};

std::string SampleText() {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

TEST(ConvertFaults, EveryFailureLeavesTheFileAsItWas) {
  const std::string original = SampleText();
  for (const FaultCase& fault : kFaults) {
    SCOPED_TRACE(static_cast<int>(fault.step));
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    const std::string backup = file + ".bak";
    WriteFile(file, original);
    WriteFile(backup, "stale");
    FaultyDisk disk(fault.step, false);
    EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), 64), fault.result);
    EXPECT_EQ(ReadFile(file), original);
    // Only the stale backup that could not be removed is still there.
    EXPECT_EQ(Exists(backup), fault.step == Step::kRemoveStale);
  }
}

TEST(ConvertFaults, FailedRestoreKeepsTheOriginalUnderTheBackupName) {
  for (Step step : {Step::kWrite, Step::kFlush, Step::kRead}) {
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, SampleText());
    FaultyDisk disk(step, true);
    EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), 64), kConvertNotRestored);
    EXPECT_EQ(ReadFile(file + ".bak"), SampleText());
  }
}

TEST(ConvertFaults, BackupThatWillNotGoIsKept) {
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file, "a\r\nb");
  FaultyDisk disk(Step::kRemoveBackup, false);
  EXPECT_EQ(quenlo::ConvertWith(disk, kStyleLf, false, file.c_str(), 64), kConvertOk);
  EXPECT_EQ(ReadFile(file), "a\nb");
  EXPECT_EQ(ReadFile(file + ".bak"), "a\r\nb");
}

}  // namespace
