#include <gtest/gtest.h>
#include <stdlib.h>

#include "cli/cli_run.h"
#include "core/journal/journal.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

// Far ahead, so that the tool's pruning at start-up keeps the batches.
constexpr std::int64_t kNow = 4'000'000'000;  // 02.10.96 07:06 UTC (2096)

class CliJournalTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC", 1); }

  std::int64_t AddBatch(Journal& journal, const char* caption, int renames,
                        std::int64_t undoes = 0) {
    std::error_code ec;
    const std::int64_t batch =
        journal.BeginBatch({kNow + 60 * undoes, 'G', caption, "", dir / "m", undoes}, ec);
    JournalAction rename;
    rename.directory = dir / "m";
    const auto ids =
        journal.RecordPending(batch, std::vector<JournalAction>(renames, rename), ec);
    EXPECT_FALSE(ec || journal.MarkDone(ids) || journal.EndBatch(batch));
    return batch;
  }

  CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--journal", journalPath, "--settings", dir / "s.INI"});
    return RunCli(args);
  }

  TempDir dir;
  std::string journalPath = dir / "state/journal.sqlite";
};

TEST_F(CliJournalTest, ListsTheBatchesNewestFirst) {
  {
    std::error_code ec;
    auto journal = Journal::Open(journalPath, kNow, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::int64_t first = AddBatch(*journal, "Großbuchstaben abc->Abc", 3);
    const std::int64_t undo =
        AddBatch(*journal, "Rückgängig: Großbuchstaben abc->Abc", 1, first);
    ASSERT_FALSE(journal->MarkUndone(first, undo));
  }
  const CliResult result = Cli({"journal"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "2\t02.10.96 07:07\tG Rückgängig: Großbuchstaben abc->Abc\t1 Datei\n"
            "1\t02.10.96 07:06\tG Großbuchstaben abc->Abc\t3 Dateien\trückgängig gemacht\n");
}

TEST_F(CliJournalTest, AJournalThatCannotBeOpenedIsAnError) {
  WriteFile(journalPath, "no database");
  const CliResult result = Cli({"journal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.err.starts_with("Fehler: Das Journal " + journalPath +
                                     " lässt sich nicht öffnen: "))
      << result.err;
  EXPECT_EQ(ReadFile(journalPath), "no database");
}

}  // namespace
}  // namespace sonavex::test
