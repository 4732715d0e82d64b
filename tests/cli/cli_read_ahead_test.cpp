// info and the export print the same, in the same order, whether the files
// are read one at a time or many at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "core/mp3/id3v1.h"
#include "support/mp3_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

// Writes `path` with a fixed date, so that two trees made a minute apart
// list alike.
void WriteDated(const std::string& path, std::string_view contents) {
  WriteFile(path, contents);
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type(std::chrono::hours(24 * 365 * 50)));
}

// Tagged and untagged MP3 files in three folders, text files, and an MP3
// name that even root may not read.
void MakeTree(const std::string& root) {
  for (int i = 0; i < 30; ++i) {
    const std::string folder = root + "/" + std::string(1, static_cast<char>('a' + i % 3));
    const std::string n = std::to_string(i);
    WriteDated(folder + "/" + n + ".mp3",
               i % 2 ? TwoFrames() : TwoFrames() + TagWith("T" + n, "A" + n, "B"));
    if (i % 7 == 0) WriteDated(folder + "/" + n + ".txt", "text");
  }
  ASSERT_EQ(symlink("/proc/sys/vm/drop_caches", (root + "/b/denied.mp3").c_str()), 0);
}

TEST(CliReadAhead, InfoAndExportPrintTheSameWithManyFilesInFlight) {
  const std::vector<std::vector<std::string>> commands = {
      {"--recursive", "--mask", "*.*", "info"},
      {"--recursive", "--mask", "*.*", "P", "-", "--columns", "1,2,3,5,6,13"}};
  TempDir dir;
  const std::string root = dir / "tree";
  for (std::vector<std::string> args : commands) {
    args.insert(args.begin(), {"--journal", dir / "j.sqlite", "--dir", root});
    std::vector<CliResult> results;
    for (const char* inFlight : {"1", "16"}) {
      std::filesystem::remove_all(root);
      MakeTree(root);
      setenv("SONAVEX_READS_IN_FLIGHT", inFlight, 1);
      results.push_back(RunCli(args));
      unsetenv("SONAVEX_READS_IN_FLIGHT");
      // The export gave every untagged file its empty tag.
      const bool exported = args.back() == "1,2,3,5,6,13";
      EXPECT_EQ(ReadFile(root + "/a/3.mp3").ends_with(EmptyTag()), exported) << inFlight;
    }
    EXPECT_EQ(results[0].status, 1);  // a file could not be read
    EXPECT_GT(results[0].out.size(), 800u);
    EXPECT_NE(results[0].err.find("denied.mp3"), std::string::npos) << results[0].err;
    EXPECT_EQ(results[1].status, results[0].status) << args.back();
    EXPECT_EQ(results[1].out, results[0].out) << args.back();
    EXPECT_EQ(results[1].err, results[0].err) << args.back();
  }
}

}  // namespace
}  // namespace sonavex::test
