// The tag commands keep the ID3v2 tag in step as the settings say, and
// --id3v2 and --no-id3v2 go before the settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "support/id3v2_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

TEST(CliId3v2Follow, TheSettingsAndTheOptionsDecideWhetherId3v2Follows) {
  struct Row {
    const char* settings;
    const char* option;  // empty: none
    bool follows;
  };
  const Row rows[] = {
      {"", "", true},  // on unless stored off
      {"[Optionen]\nID3v2=0\n", "", false},
      {"[Optionen]\nID3v2=0\n", "--id3v2", true},
      {"", "--no-id3v2", false},
  };
  const std::string v2 = Tag(3, Frame(3, "TIT2", Text(0, "Titel")), 100);
  const std::string original = v2 + Audio() + Id3v1("Titel", "", "");
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.settings) + row.option);
    TempDir dir;
    WriteFile(dir / "s.INI", row.settings);
    WriteFile(dir / "a.mp3", original);
    std::vector<std::string> args = {"--journal", dir / "j.sqlite", "--settings", dir / "s.INI",
                                     "--dir", dir.path(), "B", "--title", "",
                                     " (live gespielt im Sommer)"};
    if (*row.option != '\0') args.push_back(row.option);
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string now = ReadFile(dir / "a.mp3");
    EXPECT_EQ(now.substr(now.size() - 128, 33), "TAGTitel (live gespielt im Som...");
    EXPECT_EQ(now.find(Text(0, "Titel (live gespielt im Sommer)")) != std::string::npos,
              row.follows);
    EXPECT_EQ(now.size(), original.size());
  }
}

}  // namespace
}  // namespace sonavex::test
