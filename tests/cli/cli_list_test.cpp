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

TEST_F(CliListTest, ReportsAndWrongUsage) {
  const CliResult missing = List({"--dir", dir / "gone"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "Fehler: Verzeichnis (" + dir / "gone" + ") nicht gefunden!\nProgrammabbruch!\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"bogus"}, {"--dir"}, {"--frobnicate", "list"},
        {"list", "extra"}, {"--mark", "nope.mp3", "--dir", dir.path(), "list"}, {}}) {
    const CliResult wrong = RunCli(args);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("Aufruf: mp3sonavex-cli"), std::string::npos);
  }
}

}  // namespace
}  // namespace sonavex::test
