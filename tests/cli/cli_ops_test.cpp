#include <gtest/gtest.h>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_run.h"
#include "core/fs/fs.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

std::vector<std::string> Names(const std::string& directory) {
  std::error_code ec;
  return ListFiles(directory, U"*", ec);
}

TEST(CliNameEdits, EachCommandRenamesLikeItsDialog) {
  struct Row {
    std::vector<std::string> command;
    const char* before;
    const char* after;
  };
  const Row rows[] = {
      {{"L", "3", "0"}, "01 Song.mp3", "Song.mp3"},
      {{"delete-ends", "--", "-2", "0"}, "01 Song.mp3", "01 Song.mp3"},
      {{"E", "01 ", ""}, "Song.mp3", "01 Song.mp3"},
      {{"X", " - ", " -- "}, "A - B.mp3", "A -- B.mp3"},
      {{"X", "--", "-live", ""}, "Song-live.mp3", "Song.mp3"},
      {{"Y", "MP3", "ogg"}, "a.mp3", "a.ogg"},
      {{"T", "1", "2"}, "A - B.mp3", "B - A.mp3"},
      {{"swap", "2", "2"}, "A - B.mp3", "A - B.mp3"},
      {{"G"}, "the song.mp3", "The Song.mp3"},
      {{"K"}, "THE SONG.mp3", "The Song.mp3"},
      {{"S"}, "Song!!s.live.mp3", "Song.mp3"},
      {{"R"}, "a_b.mp3", "a b.mp3"},
  };
  for (const Row& row : rows) {
    TempDir dir;
    WriteFile(dir / ("music/" + std::string(row.before)), "content");
    WriteFile(dir / "s.INI", "[Ersetzen]\nV1='_'\nA1=' '\nFlag=0\n");
    std::vector<std::string> args = {"--settings", dir / "s.INI", "--dir", dir / "music"};
    args.insert(args.end(), row.command.begin(), row.command.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0) << row.command[0] << result.err;
    EXPECT_EQ(Names(dir / "music"), std::vector<std::string>{row.after}) << row.command[0];
  }
}

TEST(CliNameEdits, TableSwitchFromTheSettingsAndReportedRefusals) {
  TempDir dir;
  WriteFile(dir / "m/x_1.mp3", "1");
  WriteFile(dir / "m/X_1.mp3", "2");
  WriteFile(dir / "s.INI", "[Ersetzen]\nV1='_'\nA1='-'\nFlag=1\n");
  const CliResult result =
      RunCli({"--settings", dir / "s.INI", "--dir", dir / "m", "G"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Warnung: " + dir / "m/x_1.mp3" +
                            "\n\nEs existiert bereits eine Datei unter dem neuen Namen!\n");
  EXPECT_EQ(Names(dir / "m"), (std::vector<std::string>{"X-1.mp3", "x_1.mp3"}));

  EXPECT_EQ(RunCli({"--dir", dir / "m", "L", "a", "1"}).status, 2);
}

TEST(CliNameEdits, DryRunPrintsThePlanAndChangesNothing) {
  TempDir dir;
  for (const char* name : {"a - 1.mp3", "b - 2.mp3", "b -- 2.mp3", "c.mp3"}) {
    WriteFile(dir / name, name);
  }
  // Options before and after the command.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--dry-run", "--dir", dir.path(), "X", " - ", " -- "},
        std::vector<std::string>{"--dir", dir.path(), "X", " - ", " -- ", "--dry-run"}}) {
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, dir / "a - 1.mp3\t" + dir / "a -- 1.mp3\n");
    EXPECT_EQ(result.err, "Warnung: " + dir / "b - 2.mp3" +
                              "\n\nEs existiert bereits eine Datei unter dem neuen Namen!\n");
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"a - 1.mp3", "b - 2.mp3", "b -- 2.mp3", "c.mp3"}));
  }
}

TEST(CliNameEdits, RunIsJournaledAndRunsWithoutAJournalThatCannotBeOpened) {
  TempDir dir;
  WriteFile(dir / "m/a - 1.mp3", "");
  CliResult result =
      RunCli({"--journal", dir / "state/journal.sqlite", "--dir", dir / "m", "X", " - ", "_"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Exists(dir / "state/journal.sqlite"));
  EXPECT_EQ(Names(dir / "m"), std::vector<std::string>{"a_1.mp3"});

  WriteFile(dir / "not-a-directory", "");
  result = RunCli({"--journal", dir / "not-a-directory/journal.sqlite", "--dir", dir / "m",
                   "X", "_", " - "});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.err.starts_with("Warnung: Rückgängig nicht möglich: ")) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_EQ(Names(dir / "m"), std::vector<std::string>{"a - 1.mp3"});
}

TEST(CliInfo, TwelveTabSeparatedValuesPerFile) {
  TempDir dir;
  std::string tag = "TAG" + std::string(30, ' ') + std::string(30, ' ') +
                    std::string(30, ' ') + std::string(35, '\0');
  tag.replace(3, 8, "Ti\ttle\nA");
  const std::string frame = std::string("\xFF\xFB\x90\x44", 4) + std::string(413, '\0');
  WriteFile(dir / "a.mp3", frame + frame + tag);
  WriteFile(dir / "c.txt", "text");
  const CliResult result = RunCli({"--dir", dir.path(), "--mask", "*.*", "info"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string lines[] = {result.out.substr(0, result.out.find('\n')),
                               result.out.substr(result.out.find('\n') + 1)};
  EXPECT_EQ(lines[0].substr(0, lines[0].rfind('\t')),
            dir / "a.mp3\ta.mp3\tTi tle A\t\t\t1\t3\t128KBit/s\t44100Hz\tJoint Stereo\t00:00\t962");
  EXPECT_EQ(lines[1].substr(0, lines[1].rfind('\t')),
            dir / "c.txt\tc.txt\t\t\t\t\t\t\t\t\t\t4");
}

TEST(CliInfo, ChangesNoFile) {
  TempDir dir;
  const std::string untagged = std::string("\xFF\xFB\x90\x44", 4) + std::string(400, 'A');
  WriteFile(dir / "a.mp3", untagged);
  ASSERT_EQ(chmod((dir / "a.mp3").c_str(), 0444), 0);
  const CliResult result = RunCli({"--dir", dir.path(), "info"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.rfind('\t')),
            dir / "a.mp3\ta.mp3\t\t\t\t1\t3\t128KBit/s\t44100Hz\tJoint Stereo\t00:00\t404");
  EXPECT_EQ(ReadFile(dir / "a.mp3"), untagged);
}

// A file that cannot be read is reported with its error, not as
// write-protected, and the other files are still listed.
TEST(CliInfo, ReadFailureGivesTheGeneralText) {
  TempDir dir;
  const std::string frame = std::string("\xFF\xFB\x90\x44", 4) + std::string(413, '\0');
  WriteFile(dir / "a.mp3", frame + frame);
  // Write-only even for root, so the check also holds when the tests run as root.
  ASSERT_EQ(symlink("/proc/sys/vm/drop_caches", (dir / "b.mp3").c_str()), 0);
  const CliResult result = RunCli({"--dir", dir.path(), "info"});
  EXPECT_NE(result.err.find("b.mp3\n\nFehler 13:"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("schreibgesch"), std::string::npos) << result.err;
  EXPECT_EQ(result.out.find(dir / "a.mp3\ta.mp3\t"), 0u) << result.out;
}

}  // namespace
}  // namespace sonavex::test

namespace sonavex::test {
namespace {

// 'Z': the dry run shows how many lines would change and touches nothing;
// the run rewrites the playlist and refuses the file that is not text.
TEST(CliTextReplace, DryRunThenRun) {
  TempDir dir;
  WriteFile(dir / "list.m3u", "C:\\MUSIK\\a.mp3\r\nb.mp3\r\nc:\\musik\\c.mp3\r\n");
  WriteFile(dir / "nul.m3u", std::string("c:\\musik\0", 9));
  const std::vector<std::string> args = {"--dir", dir.path(), "--mask", "*.m3u", "Z",
                                         "c:\\musik", "D:\\Musik"};
  std::vector<std::string> dry = args;
  dry.push_back("--dry-run");
  CliResult result = RunCli(dry);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, dir / "list.m3u" + "\tInhalt ersetzt (2 Zeilen)\n");
  EXPECT_EQ(ReadFile(dir / "list.m3u"), "C:\\MUSIK\\a.mp3\r\nb.mp3\r\nc:\\musik\\c.mp3\r\n");

  result = RunCli(args);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Warnung: Datei ist keine Textdatei und wird nicht verändert!\n\n" +
                            dir / "nul.m3u" + "\n");
  EXPECT_EQ(ReadFile(dir / "list.m3u"), "D:\\Musik\\a.mp3\r\nb.mp3\r\nD:\\Musik\\c.mp3\r\n");
  EXPECT_EQ(ReadFile(dir / "nul.m3u"), std::string("c:\\musik\0", 9));
}

}  // namespace
}  // namespace sonavex::test
