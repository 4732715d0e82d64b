// Changes on a file system with no room left: a small tmpfs filled to the
// brim. Every original stays as it was, no temporary file is left, and the
// failure is reported with the system's text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/apply/executor.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/ops/export.h"
#include "core/ops/text_replace.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadFile;
using test::WriteFile;

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (mount("sonavex-full", disk.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
      GTEST_SKIP() << "no tmpfs can be mounted here (" << std::strerror(errno)
                   << "); the test needs root";
    }
    mounted_ = true;
    // A playlist, an untagged MP3 file whose last page has room for only
    // a few bytes of a tag, and a list exported earlier.
    WriteFile(disk / "list.m3u", playlist);
    WriteFile(disk / "song.mp3", song);
    WriteFile(disk / "Liste.csv", list);
    Fill();
  }

  void TearDown() override {
    if (mounted_) umount2(disk.path().c_str(), MNT_DETACH);
  }

  // Takes every byte that is left.
  void Fill() {
    const int fd = open((disk / "filler").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const std::string chunk(65536, 'f');
    for (std::size_t size = chunk.size(); size > 0;) {
      if (write(fd, chunk.data(), size) < 0) {
        ASSERT_EQ(errno, ENOSPC);
        size /= 2;
      }
    }
    close(fd);
  }

  void ExpectOriginalsAndNoTemporaryFile() {
    EXPECT_EQ(ReadFile(disk / "list.m3u"), playlist);
    // Compared as a whole: a failure would print eight thousand bytes.
    const std::string songNow = ReadFile(disk / "song.mp3");
    EXPECT_TRUE(songNow == song) << "song.mp3 has " << songNow.size() << " bytes, not "
                                 << song.size() << " as before";
    EXPECT_EQ(ReadFile(disk / "Liste.csv"), list);
    std::error_code ec;
    EXPECT_EQ(ListFiles(disk.path(), U"*", ec),
              (std::vector<std::string>{"filler", "list.m3u", "Liste.csv", "song.mp3"}));
  }

  bool Reported(const std::string& name) const {
    for (const test::RecordedMessage& message : reporter.messages) {
      if (message.text.find(DecodeUtf8(name)) != std::u32string::npos &&
          message.text.find(U"Fehler 28:\n\rNo space left on device") != std::u32string::npos) {
        return true;
      }
    }
    return false;
  }

  test::TempDir disk;
  test::RecordingReporter reporter;
  const std::string playlist = "C:\\Musik\\a.mp3\r\nC:\\Musik\\b.mp3\r\n";
  const std::string song = test::Frames(std::string("\xFF\xFB\x90\x44", 4), 417, 8192 - 10);
  const std::string list = "\n/alt\r\nalt\r\n";

 private:
  bool mounted_ = false;
};

TEST_F(FullDisk, TextReplaceThatLengthensAPlaylist) {
  BatchContext context;
  context.reporter = &reporter;
  context.mask = U"*.m3u";
  ExecutorContext executor;
  executor.reporter = &reporter;
  const ApplyResult result = RunSelection(
      Operation::Z, TextReplaceParams{U"C:\\Musik", U"D:\\Neue Musik"}, disk.path(), {},
      context, executor);
  EXPECT_EQ(result.performed, 0);
  EXPECT_TRUE(Reported("list.m3u"));
  ExpectOriginalsAndNoTemporaryFile();
}

TEST_F(FullDisk, ExportGivingAnUntaggedFileItsTagOntoAnExistingList) {
  BatchContext context;
  context.reporter = &reporter;
  ExportParams params;
  params.columns[0] = true;
  ExecutorContext executor;
  executor.reporter = &reporter;
  const ApplyResult result =
      ApplyPlan(PlanExport(disk / "Liste.csv", disk.path(), {}, context, params), executor);
  EXPECT_EQ(result.exported, 0);
  EXPECT_TRUE(Reported("song.mp3"));
  EXPECT_TRUE(Reported("Liste.csv"));
  ExpectOriginalsAndNoTemporaryFile();
}

}  // namespace
}  // namespace sonavex
