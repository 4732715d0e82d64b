#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

TEST(CliPlaylists, RenamesCarryTheListedPlaylistsAlong) {
  TempDir dir;
  WriteFile(dir / "tree/A/a - 1.mp3", "");
  const std::string playlist = "#EXTM3U\r\n#EXTINF:1,a - 1\r\n../tree/A/a - 1.mp3\r\n";
  WriteFile(dir / "lists/l.m3u", playlist);
  const std::vector<std::string> run = {"--journal", dir / "j.sqlite", "--dir", dir / "tree",
                                        "--recursive", "X", " - ", " -- ",
                                        "--playlists", dir / "lists"};

  std::vector<std::string> dry = run;
  dry.push_back("--dry-run");
  CliResult result = RunCli(dry);
  EXPECT_EQ(result.out, dir / "tree/A/a - 1.mp3\t" + dir / "tree/A/a -- 1.mp3\n" +
                            dir / "lists/l.m3u\tPlaylist angepasst (1 Zeile)\n");

  std::vector<std::string> off = run;
  off.push_back("--no-playlists");
  EXPECT_EQ(RunCli(off).status, 0);
  EXPECT_EQ(ReadFile(dir / "lists/l.m3u"), playlist);
  EXPECT_EQ(RunCli({"--journal", dir / "j.sqlite", "undo"}).status, 0);

  result = RunCli(run);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "lists/l.m3u"),
            "#EXTM3U\r\n#EXTINF:1,a - 1\r\n../tree/A/a -- 1.mp3\r\n");
  result = RunCli({"--journal", dir / "j.sqlite", "undo"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "lists/l.m3u"), playlist);
  EXPECT_TRUE(Exists(dir / "tree/A/a - 1.mp3"));
}

}  // namespace
}  // namespace sonavex::test
