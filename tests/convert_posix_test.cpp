// Whole conversions on the real file system.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <random>

#include "convert.h"
#include "quenlo/engine.h"
#include "reference_model.h"
#include "temp_dir.h"

namespace {

TEST(ConvertFile, RandomFilesAndBufferSizesMatchTheModel) {
  std::mt19937 random(7);
  TempDir dir;
  const std::string file = dir.Path("random.bin");
  // The byte rule on random bytes with NULs, then detection on UTF-16 and
  // UTF-32 texts, then on texts in the style but for a few breaks or bytes
  // anywhere, which small buffers make long enough to be checked in halves.
  for (int round = 0; round < 132; ++round) {
    bool bytes = round < 60;
    int style = 1 + round % 3;
    std::string content;
    std::size_t buffer = 1 + random() % 700;
    if (bytes) {
      content.assign(random() % 5000, '\0');
      for (char& c : content) c = random() % 3 ? static_cast<char>(random()) : "\r\n"[random() % 2];
    } else if (round < 72) {
      content = RandomUnitText(random, 1500);
    } else {
      const char* target = style == kStyleCrLf ? "\r\n" : style == kStyleCr ? "\r" : "\n";
      while (content.size() < 5000 + random() % 8000)
        content += std::string(random() % 90, 'a' + random() % 26) + target;
      // Small buffers put an odd byte at a buffer's end or the file's end often.
      for (int odd = random() % 3; odd > 0; --odd)
        content.insert(random() % 4 ? random() % content.size() : content.size(), 1,
                       "\r\n\x01"[random() % 3]);
      buffer = 1 + random() % 12;
    }
    WriteFile(file, content);
    const quenlo::Status status = quenlo::ConvertWith(
        quenlo::RealDisk(), style, false, file.c_str(), buffer, nullptr, nullptr,
        bytes ? kModeBytes : kModeDetect);
    bool binary = false;
    ASSERT_EQ(ReadFile(file), bytes ? ReferenceConvert(content, style)
                                    : ReferenceConvertDetect(content, style, &binary))
        << "round " << round;
    ASSERT_EQ(status.result, binary ? kConvertBinary : kConvertOk) << "round " << round;
    ASSERT_FALSE(Exists(file + ".bak"));
  }
}

// A file already in the style is not rewritten: it keeps its inode, and
// the backup is still made or removed as for any conversion.
TEST(ConvertFile, BackupKeptOrRemoved) {
  struct Case {
    const char* name;
    bool stale;
    int keep;
    const char* content;
  };
  for (const Case& c : {Case{"remove", false, 0, "a\nb\n"}, Case{"keep", false, 1, "a\nb\n"},
                        Case{"replace stale, keep", true, 1, "a\nb\n"},
                        Case{"replace stale", true, 0, "a\nb\n"},
                        Case{"already right", false, 0, "a\r\nb\r\n"},
                        Case{"already right, keep over stale", true, 1, "a\r\nb\r\n"},
                        Case{"already right, remove stale", true, 0, "a\r\nb\r\n"}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    WriteFile(file, c.content);
    if (c.stale) WriteFile(file + ".bak", "old");
    struct stat before, after;
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_EQ(convert_file(kStyleCrLf, c.keep, file.c_str()), kConvertOk);
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(ReadFile(file), "a\r\nb\r\n");
    EXPECT_EQ(after.st_ino == before.st_ino, std::string(c.content) == "a\r\nb\r\n");
    EXPECT_EQ(Exists(file + ".bak"), c.keep != 0);
    EXPECT_FALSE(Exists(file + ".~ql"));
    if (c.keep) {
      EXPECT_EQ(ReadFile(file + ".bak"), c.content);
      struct stat backup;
      ASSERT_EQ(::stat((file + ".bak").c_str(), &backup), 0);
      EXPECT_NE(backup.st_ino, after.st_ino);
    }
  }
}

TEST(ConvertFile, EmptyFileStaysEmpty) {
  TempDir dir;
  const std::string file = dir.Path("empty.txt");
  WriteFile(file, "");
  ASSERT_EQ(convert_file(kStyleCrLf, 0, file.c_str()), kConvertOk);
  EXPECT_EQ(ReadFile(file), "");
  EXPECT_FALSE(Exists(file + ".bak"));
}

// Set-id bits too, which the first write into a file would clear.
TEST(ConvertFile, KeepsPermissionBits) {
  for (mode_t mode : {0751, 04755, 02755}) {
    SCOPED_TRACE(mode);
    TempDir dir;
    const std::string file = dir.Path("run.sh");
    WriteFile(file, "#!/bin/sh\r\necho hi\r\n");
    ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    ASSERT_EQ(convert_file(kStyleLf, 0, file.c_str()), kConvertOk);
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
}

TEST(ConvertFile, FollowsSymbolicLinks) {
  TempDir dir;
  const std::string target = dir.Path("target.txt");
  const std::string link = dir.Path("link.txt");
  WriteFile(target, "a\r\n");
  ASSERT_EQ(::symlink("target.txt", link.c_str()), 0);
  ASSERT_EQ(convert_file(kStyleLf, 1, link.c_str()), kConvertOk);
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(target), "a\n");
  EXPECT_EQ(ReadFile(target + ".bak"), "a\r\n");
  EXPECT_FALSE(Exists(link + ".bak"));
  // Messages name the real backup, beside the target.
  char backup[4096];
  ASSERT_EQ(quenlo_backup_name(link.c_str(), backup, sizeof(backup)), 1);
  EXPECT_EQ(std::filesystem::path(backup), std::filesystem::canonical(target).string() + ".bak");
  EXPECT_EQ(quenlo_backup_name(link.c_str(), backup, 8), 0);
}

// The kernel's link to an open, deleted file reads as "g (deleted)": it
// leads to no name in a folder, and a file of that name stays untouched.
TEST(ConvertFile, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  const std::string folder = dir.Path("folder");
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  WriteFile(dir.Path("g"), "gone\r\n");
  WriteFile(dir.Path("g (deleted)"), "decoy\r\n");
  const int deleted = ::open(dir.Path("g").c_str(), O_RDONLY);
  ASSERT_GE(deleted, 0);
  ASSERT_EQ(::unlink(dir.Path("g").c_str()), 0);
  const std::string through_fd = "/proc/self/fd/" + std::to_string(deleted);
  for (const std::string& name : {folder, fifo, dir.Path("missing"), std::string("/dev/null"),
                                  std::string(), through_fd}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(is_existing_file(name.c_str()), 0);
    EXPECT_EQ(quenlo_name_kind(name.c_str()),
              name == dir.Path("missing") ? kNameMissing : kNameNotAFile);
    EXPECT_EQ(convert_file(kStyleLf, 0, name.c_str()), kConvertNotAFile);
    EXPECT_FALSE(Exists(name + ".bak"));
  }
  struct stat st;
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(ReadFile(dir.Path("g (deleted)")), "decoy\r\n");
  ::close(deleted);
}

TEST(ConvertFile, NameLengthLimitOfTheBackupBuffer) {
  TempDir dir;
  const std::string base = dir.Path("");
  // The longest name whose "%s.bak" fits 516 bytes is 511 bytes long.
  for (std::size_t length : {std::size_t{511}, std::size_t{512}}) {
    std::string name = base;
    while (name.size() < length) name += name.size() % 100 == 99 ? '/' : 'n';
    name.back() = 'x';
    std::filesystem::create_directories(std::filesystem::path(name).parent_path());
    WriteFile(name, "a\n");
    int expected = length == 511 ? kConvertOk : kConvertNameTooLong;
    EXPECT_EQ(convert_file(kStyleCrLf, 0, name.c_str()), expected) << length;
    EXPECT_EQ(ReadFile(name), length == 511 ? "a\r\n" : "a\n");
  }
}

// Past the file system's name limit the work file gets a shorter name;
// only -R needs "<name>.bak" itself, and refuses before any step.
TEST(ConvertFile, NamesNearTheFileSystemsLimit) {
  TempDir dir;
  const std::string file = dir.Path(std::string(253, 'n'));
  WriteFile(file, "a\n");
  EXPECT_EQ(convert_file(kStyleCrLf, 1, file.c_str()), kConvertBackupNameTooLong);
  EXPECT_EQ(ReadFile(file), "a\n");
  EXPECT_EQ(convert_file(kStyleCrLf, 0, file.c_str()), kConvertOk);
  EXPECT_EQ(ReadFile(file), "a\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ConvertFile, StaleBackupDirectoryStopsBeforeAnyChange) {
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file, "a\n");
  ASSERT_EQ(::mkdir((file + ".bak").c_str(), 0755), 0);
  EXPECT_EQ(convert_file(kStyleCrLf, 0, file.c_str()), kConvertBackupNotAFile);
  EXPECT_EQ(ReadFile(file), "a\n");
}

// A second conversion while the first is writing (started from the first
// one's progress callback) is refused and touches nothing.
TEST(ConvertFile, SecondConversionMeanwhileIsRefused) {
  struct Run {
    std::string file;
    std::int64_t last_done = 0;
    std::int64_t total = -1;
    int nested = -1;
    static int Progress(void* context, std::int64_t done, std::int64_t total) {
      auto* run = static_cast<Run*>(context);
      EXPECT_GE(done, run->last_done);
      run->last_done = done;
      run->total = total;
      if (run->nested < 0) run->nested = convert_file(kStyleCr, 1, run->file.c_str());
      return 1;
    }
  };
  TempDir dir;
  Run run{dir.Path("memo.txt")};
  const std::string original(200000, '\n');
  WriteFile(run.file, original);
  WriteFile(run.file + ".bak", "stale");
  ASSERT_EQ(quenlo_convert(kStyleCrLf, 0, kModeDetect, run.file.c_str(), Run::Progress, &run).result,
            kConvertOk);
  EXPECT_EQ(run.nested, kConvertBusy);
  EXPECT_EQ(run.total, 200000);
  EXPECT_EQ(run.last_done, 200000);
  EXPECT_EQ(ReadFile(run.file), ReferenceConvert(original, kStyleCrLf));
  EXPECT_FALSE(Exists(run.file + ".bak"));
  EXPECT_FALSE(Exists(run.file + ".~ql"));
}

// A work file left by a conversion that died holds no lock: it is replaced.
// Anything else at that name is left alone.
TEST(ConvertFile, WorkFileLeftBehind) {
  struct Case {
    const char* name;
    bool directory;
    int result;
  };
  for (const Case& c : {Case{"stale file", false, kConvertOk}, Case{"directory", true, kConvertWorkNotAFile}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string file = dir.Path("memo.txt");
    const std::string work = file + ".~ql";
    WriteFile(file, "a\n");
    if (c.directory) {
      ASSERT_EQ(::mkdir(work.c_str(), 0755), 0);
    } else {
      WriteFile(work, "partial");
    }
    EXPECT_EQ(convert_file(kStyleCrLf, 0, file.c_str()), c.result);
    EXPECT_EQ(ReadFile(file), c.result == kConvertOk ? "a\r\n" : "a\n");
    EXPECT_EQ(Exists(work), c.directory);
  }
}

// A file refused for its NUL byte, converted by the byte rule only while
// the name still holds that very file, unchanged.
TEST(ConvertFile, ByteRuleOnlyForTheFileRefused) {
  for (bool replaced : {false, true}) {
    SCOPED_TRACE(replaced);
    TempDir dir;
    const std::string file = dir.Path("data");
    WriteFile(file, std::string("a\r\n\0", 4));
    const QuenloStatus refused =
        quenlo_convert(kStyleLf, 0, kModeDetect, file.c_str(), nullptr, nullptr);
    ASSERT_EQ(refused.result, kConvertBinary);
    if (replaced) {
      WriteFile(file + ".new", std::string("b\r\n\0", 4));
      ASSERT_EQ(::rename((file + ".new").c_str(), file.c_str()), 0);
    }
    const QuenloStatus status =
        quenlo_convert_same(kStyleLf, 0, kModeBytes, file.c_str(), &refused.file, nullptr, nullptr);
    EXPECT_EQ(status.result, replaced ? kConvertFileChanged : kConvertOk);
    EXPECT_EQ(ReadFile(file), std::string(replaced ? "b\r\n\0" : "a\n\0", replaced ? 4 : 3));
    EXPECT_FALSE(Exists(file + ".~ql"));
  }
}

TEST(ConvertFile, KeepsExtendedAttributes) {
  TempDir dir;
  const std::string file = dir.Path("memo.txt");
  WriteFile(file, "a\r\n");
  if (::setxattr(file.c_str(), "user.origin", "scanner", 7, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  ASSERT_EQ(convert_file(kStyleLf, 0, file.c_str()), kConvertOk);
  char value[16] = {};
  EXPECT_EQ(::getxattr(file.c_str(), "user.origin", value, sizeof(value)), 7);
  EXPECT_STREQ(value, "scanner");
}

}  // namespace
