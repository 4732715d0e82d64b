#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/fs/fs.h"
#include "core/text/encoding.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using test::WriteFile;

// The files the selection rule hands to the planner, as paths below the root.
std::vector<std::string> Visited(const BatchContext& context,
                                 const std::string& root,
                                 const std::vector<std::string>& marks = {}) {
  std::vector<std::string> out;
  ForEachSelected(root, marks, context,
                  [&](const std::string& directory, const std::string& name) {
                    out.push_back(JoinPath(directory, name).substr(root.size() + 1));
                  });
  return out;
}

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"D/2.mp3", "D/1.MP3", "D/x.txt", "D/a/3.mp3",
                             "D/a/x/4.mp3", "D/b/5.mp3", "D/.cache/6.mp3", "D/Ab/7.mp3"}) {
      WriteFile(dir / file, "");
    }
    symlink((dir / "D/a").c_str(), (dir / "D/loop").c_str());
    context.reporter = &reporter;
    root = dir / "D";
  }
  TempDir dir;
  std::string root;
  test::RecordingReporter reporter;
  BatchContext context;
};

TEST_F(WalkTest, StartDirectoryOnlyWithoutTheOption) {
  EXPECT_EQ(Visited(context, root), (std::vector<std::string>{"1.MP3", "2.mp3"}));
}

TEST_F(WalkTest, TreeDepthFirstOwnFilesFirstSkippingDotsAndLinks) {
  context.recursive = true;
  std::vector<std::string> entered;
  context.onDirectoryEntered = [&](const std::string& d) { entered.push_back(d); };
  // Subdirectories in name order ignoring letter case: "Ab" between "a"
  // and "b".
  EXPECT_EQ(Visited(context, root),
            (std::vector<std::string>{"1.MP3", "2.mp3", "a/3.mp3", "a/x/4.mp3",
                                      "Ab/7.mp3", "b/5.mp3"}));
  EXPECT_EQ(entered, (std::vector<std::string>{root + "/a", root + "/a/x", root + "/Ab",
                                               root + "/b"}));
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(WalkTest, MarkedEntriesOnlyInTheirOrderEvenWithTheOption) {
  context.recursive = true;
  EXPECT_EQ(Visited(context, root, {"2.mp3", "x.txt"}),
            (std::vector<std::string>{"2.mp3", "x.txt"}));
}

TEST_F(WalkTest, MissingStartDirectoryEndsTheWalkWithItsMessage) {
  EXPECT_TRUE(Visited(context, root + "/gone").empty());
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(reporter.messages[0].text,
            U"Verzeichnis (" + DecodeUtf8(root) + U"/gone) nicht gefunden!\rProgrammabbruch!");
}

TEST_F(WalkTest, UnreadableSubdirectoryNamesTheStartDirectory) {
  context.recursive = true;
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "D/a").c_str(), 0);
  const std::optional<bool> asExpected = test::CheckUnprivileged(root, [&] {
    return Visited(context, root) == std::vector<std::string>{"1.MP3", "2.mp3"} &&
           reporter.messages.size() == 1 &&
           reporter.messages[0].text == U"Verzeichnis (" + DecodeUtf8(root) +
                                            U") nicht gefunden!\rProgrammabbruch!";
  });
  chmod((dir / "D/a").c_str(), 0755);
  if (!asExpected) GTEST_SKIP() << "an unprivileged user cannot enter " << root;
  EXPECT_TRUE(*asExpected);
}

TEST_F(WalkTest, UnknownCodeLeavesEveryFileAsItIs) {
  context.mask = U"*.*";
  RunSelection(static_cast<Operation>('C'), NoParams{}, root, {}, context);
  std::error_code ec;
  EXPECT_EQ(ListFiles(root, U"*", ec),
            (std::vector<std::string>{"1.MP3", "2.mp3", "x.txt"}));
}

TEST(SplitName, AtTheLastDot) {
  struct Row {
    const char32_t* name;
    const char32_t* base;
    const char32_t* extension;
  };
  const Row rows[] = {{U"track.01.mp3", U"track.01", U".mp3"},
                      {U"README", U"README", U""},
                      {U".hidden", U"", U".hidden"},
                      {U"end.", U"end", U"."}};
  for (const Row& row : rows) {
    const NameParts parts = SplitName(row.name);
    EXPECT_EQ(parts.base, row.base);
    EXPECT_EQ(parts.extension, row.extension);
  }
}

}  // namespace
}  // namespace sonavex
