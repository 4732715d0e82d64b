#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "core/mp3/id3v1.h"
#include "support/mp3_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

class CliExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "a.mp3", TwoFrames() + TagWith("Song", "Queen", "Gold"));
    WriteFile(dir / "x.txt", "abc");
  }

  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--journal", dir / "j.sqlite", "--dir", dir.path()});
    return RunCli(args);
  }

  TempDir dir;
};

TEST_F(CliExportTest, ColumnsByNumberOrCaption) {
  struct Row {
    std::vector<std::string> args;
    std::string lines;  // after the directory line
  };
  const Row rows[] = {
      {{"P", "-", "--columns", "1,5"}, "a\tSong\r\n"},
      {{"export", "-", "--columns=Titel,Dateiname"}, "a\tSong\r\n"},
      {{"P", "-", "--columns", "Interpret,7,Bitrate", "--separator", "semicolon"},
       "Queen;Gold;128\r\n"},
      {{"P", "-", "--mask", "*.mp3;*.txt", "--columns", "Dateityp,Titel"},
       "mp3\tSong\r\ntxt\r\n"},
  };
  for (const Row& row : rows) {
    const CliResult result = Run(row.args);
    EXPECT_EQ(result.status, 0) << row.args[3] << result.err;
    EXPECT_EQ(result.out, "\n" + dir.path() + "\r\n" + row.lines) << row.args[3];
  }
}

TEST_F(CliExportTest, WritesTheFileAndJournalsAppendedTags) {
  WriteFile(dir / "b.mp3", TwoFrames());
  const CliResult result = Run({"P", dir / "Liste.csv", "--columns", "1,6"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\tQueen\r\nb\t\r\n");
  EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames() + EmptyTag());
  EXPECT_EQ(Run({"undo", "1"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames());
}

// With "ID3Tag beim Lesen anlegen" off in the settings, the list shows an
// untagged file with empty fields and the file stays as it is.
TEST_F(CliExportTest, WithoutTagsOnReadingTheFilesStayAsTheyAre) {
  WriteFile(dir / "b.mp3", TwoFrames());
  WriteFile(dir / "s.INI", "[Optionen]\nTagBeimLesen=0\n");
  const CliResult result =
      Run({"--settings", dir / "s.INI", "P", dir / "Liste.csv", "--columns", "1,6"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\tQueen\r\nb\t\r\n");
  EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames());
}

// The export is one journal batch: undo puts back the list that was there
// byte for byte, or removes a list that was new, and cuts the tags off.
TEST_F(CliExportTest, UndoTakesTheListBack) {
  const std::string oldList = "\nalt\r\n\xFF\r\n";
  for (const bool listWasThere : {true, false}) {
    SCOPED_TRACE(listWasThere ? "over an old list" : "new list");
    WriteFile(dir / "b.mp3", TwoFrames());
    std::filesystem::remove(dir / "Liste.csv");
    if (listWasThere) WriteFile(dir / "Liste.csv", oldList);
    ASSERT_EQ(Run({"P", dir / "Liste.csv", "--columns", "1"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "Liste.csv"), "\n" + dir.path() + "\r\na\r\nb\r\n");
    const CliResult undone = Run({"undo"});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(Exists(dir / "Liste.csv"), listWasThere);
    if (listWasThere) {
      EXPECT_EQ(ReadFile(dir / "Liste.csv"), oldList);
    }
    EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames());
  }
}

// A target the folder cannot take (here a folder that is a file, which
// even root cannot write into) is reported before any file is read: the
// untagged file keeps its bytes and nothing is left behind.
TEST_F(CliExportTest, UnwritableTargetFailsAtOnce) {
  WriteFile(dir / "b.mp3", TwoFrames());
  const CliResult result = Run({"P", dir / "x.txt/Liste.csv", "--columns", "1"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(dir / "x.txt/Liste.csv"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames());
  EXPECT_EQ(ReadFile(dir / "x.txt"), "abc");
  EXPECT_EQ(Run({"undo"}).out, "Nichts rückgängig zu machen\n") << "nothing was journaled";
}

TEST_F(CliExportTest, DryRunNamesTheTagsAndWritesNothing) {
  WriteFile(dir / "b.mp3", TwoFrames());
  const CliResult result = Run({"P", dir / "Liste.csv", "--columns", "1", "--dry-run"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, dir / "b.mp3" + "\tTag angehängt\n");
  EXPECT_FALSE(Exists(dir / "Liste.csv"));
  EXPECT_EQ(ReadFile(dir / "b.mp3"), TwoFrames());
}

TEST_F(CliExportTest, WrongCallsAreUsageErrors) {
  const std::vector<std::string> calls[] = {
      {"P", "-"},
      {"P", "--columns", "1"},
      {"P", "-", "--columns", "0"},
      {"P", "-", "--columns", "14"},
      {"P", "-", "--columns", "1,,2"},
      {"P", "-", "--columns", "titel"},
      {"P", "-", "--columns", "1", "--separator", "comma"},
  };
  for (const std::vector<std::string>& call : calls) {
    const CliResult result = Run(call);
    EXPECT_EQ(result.status, 2) << call.back();
    EXPECT_EQ(result.out, "") << call.back();
  }
  EXPECT_EQ(ReadFile(dir / "a.mp3"), TwoFrames() + TagWith("Song", "Queen", "Gold"));
  EXPECT_NE(RunCli({"--help"}).out.find("P, export DATEI"), std::string::npos);
}

}  // namespace
}  // namespace sonavex::test
