#include <gtest/gtest.h>
#include <stdlib.h>

#include "cli/cli_run.h"
#include "core/apply/executor.h"
#include "core/journal/journal.h"
#include "support/pending_replacement.h"
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

// Each undo is a batch of its own: undo right after undo applies the batch
// again.
TEST_F(CliJournalTest, UndoAfterUndoRedoes) {
  const std::string music = dir / "m";
  WriteFile(music + "/a - b.mp3", "1");
  const CliResult nothing = Cli({"undo"});
  EXPECT_EQ(nothing.status, 0) << nothing.err;
  EXPECT_EQ(nothing.out, "Nichts rückgängig zu machen\n");

  ASSERT_EQ(Cli({"--dir", music, "X", " - ", " -- "}).status, 0);
  const CliResult dry = Cli({"undo", "--dry-run"});
  EXPECT_EQ(dry.out, music + "/a -- b.mp3\t" + music + "/a - b.mp3\n");
  EXPECT_TRUE(Exists(music + "/a -- b.mp3"));
  const CliResult undo = Cli({"undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_EQ(undo.out, "Rückgängig: Suchen und Ersetzen: Dateiname\n1 von 1 Dateien, Eintrag 2\n");
  EXPECT_TRUE(Exists(music + "/a - b.mp3"));

  const CliResult redo = Cli({"undo"});
  EXPECT_EQ(redo.status, 0) << redo.err;
  EXPECT_EQ(redo.out, "Suchen und Ersetzen: Dateiname\n1 von 1 Dateien, Eintrag 3\n");
  EXPECT_TRUE(Exists(music + "/a -- b.mp3"));

  const CliResult undone = Cli({"undo", "2"});
  EXPECT_EQ(undone.status, 2);
  EXPECT_EQ(undone.err, "mp3sonavex-cli: Eintrag 2 ist schon rückgängig gemacht\n"
                        "Aufruf: mp3sonavex-cli --help\n");
  EXPECT_EQ(Cli({"undo", "7"}).err,
            "mp3sonavex-cli: Kein Eintrag 7 im Journal\nAufruf: mp3sonavex-cli --help\n");

  // The first batch is in effect again and can be taken back by its number;
  // a file that took its old name since is reported and keeps its name.
  WriteFile(music + "/a - b.mp3", "2");
  const CliResult blocked = Cli({"undo", "1"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "Warnung: " + music + "/a -- b.mp3\n\n"
                         "Es existiert bereits eine Datei unter dem neuen Namen!\n");
  EXPECT_EQ(ReadFile(music + "/a - b.mp3"), "2");
}

// A text replace killed with its first file's new content under the
// temporary name: the dry run names the file the undo removes, the undo
// removes it and leaves the playlist as it was.
TEST_F(CliJournalTest, UndoRemovesTheTemporaryFileOfAKilledReplacement) {
  const std::string music = dir / "m";
  WriteFile(music + "/a.m3u", "old");
  std::string temporary;
  {
    std::error_code ec;
    auto journal = Journal::Open(journalPath, kNow, ec);
    const std::int64_t batch =
        journal->BeginBatch({kNow, 'Z', "Suchen und Ersetzen: Text", "", music, 0}, ec);
    JournalAction replace = test::PendingReplacementOf(music + "/a.m3u");
    const auto ids = journal->RecordPending(batch, {&replace, 1}, ec);
    ASSERT_FALSE(ec) << ec.message();
    temporary = music + "/" + JournaledTemporaryName(ids[0]);
  }
  WriteFile(temporary, "new");
  EXPECT_EQ(Cli({"undo", "--dry-run"}).out, temporary + "\tTemporäre Datei entfernt\n");
  EXPECT_TRUE(Exists(temporary));
  const CliResult undo = Cli({"undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_FALSE(Exists(temporary));
  EXPECT_EQ(ReadFile(music + "/a.m3u"), "old");
}

// Batches that never ended (killed, power lost) are listed as such, with
// the temporary files they left, until their undo has removed them: the
// new content of a text replace, and a file left under the temporary name
// of a case-only rename.
TEST_F(CliJournalTest, ListsBatchesThatNeverEndedWithTheirTemporaryFiles) {
  const std::string music = dir / "m";
  WriteFile(music + "/a.m3u", "old");
  std::string replaced;
  std::string renamed;
  {
    std::error_code ec;
    auto journal = Journal::Open(journalPath, kNow, ec);
    ASSERT_FALSE(ec) << ec.message();
    // A batch of one action, recorded and never marked: the temporary name
    // that action uses.
    const auto record = [&](char operation, const char* caption, const JournalAction& action) {
      const std::int64_t batch =
          journal->BeginBatch({kNow, operation, caption, "", music, 0}, ec);
      const std::vector<std::int64_t> ids = journal->RecordPending(batch, {&action, 1}, ec);
      return ids.empty() ? std::string() : music + "/" + JournaledTemporaryName(ids[0]);
    };
    replaced = record('Z', "Suchen und Ersetzen: Text", PendingReplacementOf(music + "/a.m3u"));
    JournalAction rename;
    rename.directory = music;
    rename.oldName = "b.mp3";
    rename.newName = "B.mp3";
    renamed = record('G', "Großbuchstaben abc->Abc", rename);
    ASSERT_FALSE(ec) << ec.message();
  }
  WriteFile(replaced, "new");
  WriteFile(renamed, "song");
  const CliResult listed = Cli({"journal"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "2\t02.10.96 07:06\tG Großbuchstaben abc->Abc\t0 Dateien\tnicht beendet\n"
            "\t" + renamed + "\tTemporäre Datei\n"
            "1\t02.10.96 07:06\tZ Suchen und Ersetzen: Text\t0 Dateien\tnicht beendet\n"
            "\t" + replaced + "\tTemporäre Datei\n");

  EXPECT_EQ(Cli({"undo", "2"}).status, 0);
  EXPECT_EQ(Cli({"undo", "1"}).status, 0);
  EXPECT_EQ(ReadFile(music + "/b.mp3"), "song");
  EXPECT_FALSE(Exists(replaced));
  const std::string after = Cli({"journal"}).out;
  EXPECT_EQ(after.find("Temporäre Datei"), std::string::npos) << after;
  EXPECT_NE(after.find("Z Suchen und Ersetzen: Text\t0 Dateien\tnicht beendet"),
            std::string::npos)
      << after;
}

}  // namespace
}  // namespace sonavex::test
