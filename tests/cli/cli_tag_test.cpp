#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "core/fs/fs.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

const std::string kAudio(200, 'a');

std::string Field(std::string_view text) {
  std::string field(text);
  field.resize(30, ' ');
  return field;
}

std::string Tag(std::string_view titel, std::string_view interpret, std::string_view album) {
  return "TAG" + Field(titel) + Field(interpret) + Field(album) + "2001" +
         std::string(30, '\0') + "\x05";
}

std::vector<std::string> Mp3Names(const std::string& directory) {
  std::error_code ec;
  return ListFiles(directory, U"*.mp3", ec);
}

TEST(CliTags, EachCommandWritesLikeItsDialog) {
  struct Row {
    std::vector<std::string> command;
    std::string name;   // the file's name afterwards
    std::string tag;    // its tag afterwards
  };
  const std::string before = Tag("01 Song", "Queen", "Gold");
  const Row rows[] = {
      {{"N", "2"}, "Queen - 01 Song.mp3", before},
      {{"name-from-tag", "-1"}, "track.mp3", before},
      {{"I", "=Live", "-", "="}, "track.MP3", Tag("Live", "Queen", "")},
      {{"W", "--artist", "queen", "Queen & Bowie", "--album", "-", "x"}, "track.MP3",
       Tag("01 Song", "Queen & Bowie", "Gold")},
      {{"tag-replace", "--title=01", ""}, "track.MP3", Tag("Song", "Queen", "Gold")},
      {{"A", "--title", "3", "0", "--album", "0", "99"}, "track.MP3",
       Tag("Song", "Queen", "Gold")},
      {{"B", "--title", "-", "", "--artist", "", "-live"}, "track.MP3",
       Tag("-01 Song", "Queen-live", "Gold")},
  };
  for (const Row& row : rows) {
    TempDir dir;
    WriteFile(dir / "track.MP3", kAudio + before);
    std::vector<std::string> args = {"--journal", dir / "j.sqlite", "--dir", dir.path()};
    args.insert(args.end(), row.command.begin(), row.command.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0) << row.command[0] << result.err;
    ASSERT_EQ(Mp3Names(dir.path()), std::vector<std::string>{row.name})
        << row.command[0];
    EXPECT_EQ(ReadFile(dir / row.name), kAudio + row.tag) << row.command[0];
  }
}

TEST(CliTags, WrongCallsChangeNothing) {
  const std::vector<std::string> calls[] = {
      {"W"},
      {"A", "--mark", "a.mp3"},
      {"B", "--dry-run"},
      {"X", "a", "b", "--title", "a", "b"},
      {"N", "5"},
      {"N"},
      {"I", "x", "-", "-"},
      {"I", "-", "12", "-"},
      {"A", "--title", "1"},
      {"A", "--title", "1", "x"},
      {"B", "--title", "0123456789012345678901234567890", ""},
  };
  for (const std::vector<std::string>& call : calls) {
    TempDir dir;
    WriteFile(dir / "a.mp3", kAudio);
    std::vector<std::string> args = {"--journal", dir / "j.sqlite", "--dir", dir.path()};
    args.insert(args.end(), call.begin(), call.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 2) << call[0] << " " << call.size();
    EXPECT_TRUE(result.err.ends_with("\nAufruf: mp3sonavex-cli --help\n")) << result.err;
    EXPECT_EQ(ReadFile(dir / "a.mp3"), kAudio);
    EXPECT_FALSE(Exists(dir / "j.sqlite"));
  }
}

TEST(CliTags, DryRunChangesNothing) {
  TempDir dir;
  WriteFile(dir / "a.mp3", kAudio);
  WriteFile(dir / "b.mp3", kAudio + Tag("x", "", ""));
  const CliResult result = RunCli({"--dry-run", "--dir", dir.path(), "B", "--title", "1", ""});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, dir / "a.mp3\tTag angehängt\n" + dir / "a.mp3\tTag geschrieben\n" +
                            dir / "b.mp3\tTag geschrieben\n");
  EXPECT_EQ(ReadFile(dir / "a.mp3"), kAudio);
  EXPECT_EQ(ReadFile(dir / "b.mp3"), kAudio + Tag("x", "", ""));
}

TEST(CliTags, HelpNamesTheCommandsAndTheFieldOptions) {
  const CliResult help = RunCli({"--help"});
  for (const char* part : {"  N, name-from-tag MUSTER\n", "  I, tag-from-name TITEL INTERPRET ALBUM\n",
                           "  W, tag-replace\n", "  A, tag-delete-ends\n", "  B, tag-insert-ends\n",
                           "  --title WERT1 WERT2"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace sonavex::test
