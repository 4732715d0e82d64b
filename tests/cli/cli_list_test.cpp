#include <gtest/gtest.h>

#include "cli/cli_run.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

class CliListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"b.mp3", "A.mp3", "c.txt", "sub/d.mp3"}) {
      WriteFile(dir / file, "");
    }
    WriteFile(dir / "settings.INI", "");
  }
  CliResult List(std::vector<std::string> options) {
    options.insert(options.begin(), {"--settings", dir / "settings.INI"});
    options.push_back("list");
    return RunCli(options);
  }
  TempDir dir;
};

TEST_F(CliListTest, PrintsTheFileSetInProcessingOrder) {
  const CliResult plain = List({"--dir", dir.path()});
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out, dir / "A.mp3\n" + dir / "b.mp3\n");

  const CliResult tree = List({"--dir", dir.path(), "--recursive", "--mask", "*.txt;*.mp3"});
  EXPECT_EQ(tree.out, dir / "A.mp3\n" + dir / "b.mp3\n" + dir / "c.txt\n" +
                          dir / "sub/d.mp3\n");
}

TEST_F(CliListTest, MarksAreTakenInListOrder) {
  const CliResult marked =
      List({"--dir", dir.path(), "--recursive", "--mark", "b.mp3", "--mark", "A.mp3"});
  EXPECT_EQ(marked.status, 0);
  EXPECT_EQ(marked.out, dir / "A.mp3\n" + dir / "b.mp3\n");
}

// The directory comes out absolute and without a trailing "/" however it
// was typed, and options are read before and after the command alike.
TEST_F(CliListTest, OptionSpellingsAndPlacesGiveTheSameList) {
  struct Row {
    std::vector<std::string> args;
    std::string workingDirectory;
  };
  const Row rows[] = {
      {{"--dir=" + dir.path(), "list"}, ""},
      {{"list", "--dir", dir.path()}, ""},
      {{"list", "--dir=" + dir.path() + "/"}, ""},
      {{"--dir", "sub/..//", "list"}, dir.path()},
      {{"list", "--dir", "."}, dir.path()},
      {{"list"}, dir.path()},
      {{"--mask=*.mp3", "list", "--settings", dir / "settings.INI"}, dir.path()},
  };
  for (const Row& row : rows) {
    const CliResult result = RunCli(row.args, row.workingDirectory);
    EXPECT_EQ(result.status, 0) << row.args[0] << " " << result.err;
    EXPECT_EQ(result.out, dir / "A.mp3\n" + dir / "b.mp3\n") << row.args[0];
  }
}

TEST_F(CliListTest, MessagesNameTheDirectoryTheSameHoweverTyped) {
  const std::string expected =
      "Fehler: Verzeichnis (" + dir / "gone" + ") nicht gefunden!\nProgrammabbruch!\n";
  for (const std::string& typed : {dir / "gone", dir / "gone/", std::string("gone/")}) {
    const CliResult missing = RunCli({"--dir", typed, "list"}, dir.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, expected) << typed;
  }
}

TEST(CliConventions, HelpAndVersion) {
  for (const char* option : {"-h", "--help", "--he"}) {
    const CliResult help = RunCli({"list", option, "--frobnicate"});
    EXPECT_EQ(help.status, 0) << option;
    EXPECT_TRUE(help.out.starts_with("Aufruf: mp3sonavex-cli [Optionen] BEFEHL")) << option;
    EXPECT_NE(help.out.find("  info\n"), std::string::npos) << option;
    EXPECT_EQ(help.err, "") << option;
  }
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "mp3sonavex-cli (MP3 Sonavex) " SONAVEX_VERSION "\n");
}

TEST(CliConventions, WrongUsageSaysWhatInOneLine) {
  struct Row {
    std::vector<std::string> args;
    const char* problem;
  };
  const Row rows[] = {
      {{"bogus"}, "Unbekannter Befehl bogus"},
      {{}, "Kein Befehl angegeben"},
      {{"list", "extra"}, "Falsche Anzahl Argumente für list"},
      {{"--frobnicate", "list"}, "Unbekannte Option --frobnicate"},
      {{"list", "-x"}, "Unbekannte Option -x"},
      {{"list", "--dir"}, "Option --dir braucht einen Wert"},
      {{"--recursive=yes", "list"}, "Option --recursive nimmt keinen Wert"},
      {{"--ma", "x", "list"}, "Option --ma ist mehrdeutig"},
      {{"--mark", "nope.mp3", "--dir", "/", "list"}, "nope.mp3 steht nicht in der Dateiliste"},
      {{"T", "1", "11"}, "Zahlen von 0 bis 10 erwartet"},
  };
  for (const Row& row : rows) {
    const CliResult wrong = RunCli(row.args);
    EXPECT_EQ(wrong.status, 2) << row.problem;
    EXPECT_EQ(wrong.out, "") << row.problem;
    EXPECT_EQ(wrong.err, std::string("mp3sonavex-cli: ") + row.problem +
                             "\nAufruf: mp3sonavex-cli --help\n");
  }
}

}  // namespace
}  // namespace sonavex::test
