#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/text/encoding.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;

// Each file holds its own name, so a test sees which file ended where.
void Make(const TempDir& dir, std::initializer_list<const char*> files) {
  for (const char* file : files) test::WriteFile(dir / file, file);
}

// Every file below the directory, as relative paths in sorted order.
std::vector<std::string> Files(const TempDir& dir) {
  std::vector<std::string> out;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(dir.path())) {
    if (entry.is_regular_file()) {
      out.push_back(entry.path().string().substr(dir.path().size() + 1));
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

using Names = std::vector<std::string>;

class NameBatchTest : public ::testing::Test {
 protected:
  void SetUp() override { context.reporter = &reporter; }

  void ExpectOneMessage(MessageKind kind, const std::u32string& text,
                        MessageButton button) const {
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].kind, kind);
    EXPECT_EQ(reporter.messages[0].text, text);
    EXPECT_EQ(reporter.messages[0].button, button);
  }

  TempDir dir;
  test::RecordingReporter reporter;
  BatchContext context;
};

TEST_F(NameBatchTest, MarkedFilesOnly) {
  Make(dir, {"a b.mp3", "c d.mp3", "e f.mp3"});
  RunSelection(Operation::X, SearchReplaceParams{.search = U" ", .replacement = U"_"},
               dir.path(), {"c d.mp3"}, context);
  EXPECT_EQ(Files(dir), (Names{"a b.mp3", "c_d.mp3", "e f.mp3"}));
}

TEST_F(NameBatchTest, WholeTreeOnlyWithTheOption) {
  struct Row {
    bool recursive;
    Names expected;
  };
  const Row rows[] = {
      {false, {".hidden/x y.mp3", "note x.txt", "sub/deep/x y.mp3", "sub/x y.mp3", "x_y.mp3"}},
      {true, {".hidden/x y.mp3", "note x.txt", "sub/deep/x_y.mp3", "sub/x_y.mp3", "x_y.mp3"}},
  };
  for (const Row& row : rows) {
    TempDir tree;
    Make(tree, {"x y.mp3", "note x.txt", "sub/x y.mp3", "sub/deep/x y.mp3",
                ".hidden/x y.mp3"});
    context.recursive = row.recursive;
    RunSelection(Operation::X, SearchReplaceParams{.search = U" ", .replacement = U"_"},
                 tree.path(), {}, context);
    EXPECT_EQ(Files(tree), row.expected) << "recursive " << row.recursive;
  }
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(NameBatchTest, RefusedFileDoesNotStopTheBatch) {
  Make(dir, {"1 - 2.mp3", "A - B - C.mp3"});
  RunSelection(Operation::T, SwapParams{.a = 1, .b = 3}, dir.path(), {}, context);
  EXPECT_EQ(Files(dir), (Names{"1 - 2.mp3", "C - B - A.mp3"}));
  ExpectOneMessage(MessageKind::Warning,
                   U"Zu wenig Strings im Dateinamen! Die Datei:\n\r\n\r" +
                       U32(dir / "1 - 2.mp3") + U"\n\r\n\rwird nicht umbenannt.",
                   MessageButton::Ok);
}

TEST_F(NameBatchTest, RenameOntoAnExistingNameIsRefusedAndBothFilesKeepTheirContent) {
  Make(dir, {"song.mp3", "Song.mp3", "other.mp3"});
  RunSelection(Operation::G, NoParams{}, dir.path(), {"song.mp3", "other.mp3"}, context);
  EXPECT_EQ(Files(dir), (Names{"Other.mp3", "Song.mp3", "song.mp3"}));
  EXPECT_EQ(test::ReadFile(dir / "song.mp3"), "song.mp3");
  EXPECT_EQ(test::ReadFile(dir / "Song.mp3"), "Song.mp3");
  ExpectOneMessage(MessageKind::Warning,
                   U32(dir / "song.mp3") +
                       U"\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!",
                   MessageButton::Ok);
}

TEST_F(NameBatchTest, ReplacementThatWouldMoveTheFileIsRefused) {
  Make(dir, {"a b.mp3", "sub/keep.txt"});
  RunSelection(Operation::X, SearchReplaceParams{.search = U" ", .replacement = U"/../sub/"},
               dir.path(), {}, context);
  EXPECT_EQ(Files(dir), (Names{"a b.mp3", "sub/keep.txt"}));
  ExpectOneMessage(MessageKind::Warning,
                   U"a b.mp3\n\r\n\rUngültige(s) Zeichen im Dateinamen!",
                   MessageButton::Ok);
}

TEST_F(NameBatchTest, DeleteRefusalKeepsItsButton) {
  Make(dir, {"ab.mp3"});
  RunSelection(Operation::L, DeleteEndsParams{.first = 1, .last = 1}, dir.path(), {},
               context);
  EXPECT_EQ(Files(dir), (Names{"ab.mp3"}));
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].button, MessageButton::Abbrechen);
}

// The table turns "_" into a blank; which operations run it over which part.
TEST_F(NameBatchTest, TableRunsOverTheNewBaseNameWhereItBelongs) {
  struct Row {
    Operation code;
    OperationParams params;
    const char* file;
    const char* expected;
  };
  const Row rows[] = {
      {Operation::X, SearchReplaceParams{.search = U"x", .replacement = U"y"}, "x_1.mp3", "y 1.mp3"},
      {Operation::X, SearchReplaceParams{.search = U"q", .replacement = U"y"}, "x_1.mp3", "x_1.mp3"},
      {Operation::E, InsertEndsParams{.before = U"0_"}, "x_1.mp3", "0_x_1.mp3"},
      {Operation::Y, SearchReplaceParams{.search = U"m_p", .replacement = U"M_P"}, "a_b.m_p", "a b.M_P"},
      {Operation::L, DeleteEndsParams{.first = 1}, "xa_b.mp3", "a b.mp3"},
      {Operation::S, NoParams{}, "a_b!s.m_p", "a b.m_p"},
      {Operation::G, NoParams{}, "a_b.mp3", "A b.mp3"},
      {Operation::K, NoParams{}, "A_B.mp3", "A b.mp3"},
      {Operation::T, SwapParams{.a = 1, .b = 2}, "a_1 - b_2.mp3", "b 2 - a 1.mp3"},
      {Operation::R, NoParams{}, "a_b.m_p", "a b.m_p"},
  };
  context.table[0] = {U"_", U" "};
  context.replacementActive = true;
  for (const Row& row : rows) {
    TempDir fresh;
    Make(fresh, {row.file});
    RunSelection(row.code, row.params, fresh.path(), {row.file}, context);
    EXPECT_EQ(Files(fresh), (Names{row.expected}))
        << static_cast<char>(row.code) << " " << row.file;
  }
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(NameBatchTest, SwitchedOffTableIsLeftOutButReplacementAloneRunsIt) {
  Make(dir, {"a_b.mp3", "c_d.mp3", "plain.mp3"});
  context.table[0] = {U"_", U" "};
  context.replacementActive = false;
  RunSelection(Operation::G, NoParams{}, dir.path(), {"a_b.mp3"}, context);
  RunSelection(Operation::R, NoParams{}, dir.path(), {"c_d.mp3", "plain.mp3"}, context);
  EXPECT_EQ(Files(dir), (Names{"A_b.mp3", "c d.mp3", "plain.mp3"}));
  EXPECT_TRUE(reporter.messages.empty());  // "plain" renamed onto itself
}

TEST_F(NameBatchTest, NamesThatAreNotUtf8KeepTheirBytes) {
  const std::string name = "bad\xE4_x.mp3";
  test::WriteFile(dir / name, "x");
  context.table[0] = {U"_", U" "};
  RunSelection(Operation::R, NoParams{}, dir.path(), {}, context);
  EXPECT_EQ(Files(dir), (Names{"bad\xE4 x.mp3"}));
}

}  // namespace
}  // namespace sonavex
