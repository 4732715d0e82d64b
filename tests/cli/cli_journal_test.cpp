#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "cli/cli_run.h"
#include "core/apply/executor.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "support/first_layout_journal.h"
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

// The only name in `directory`.
std::string OnlyName(const std::string& directory) {
  std::error_code ec;
  const std::vector<std::string> names = ListNames(directory, ec);
  return names.size() == 1 ? names[0] : std::to_string(names.size()) + " names";
}

// Each undo steps one batch further back, each redo one forward; both are
// batches of their own, and a new batch ends what can be redone.
TEST_F(CliJournalTest, UndoStepsBackAndRedoStepsForward) {
  const std::string music = dir / "m";
  WriteFile(music + "/a - b.mp3", "1");
  const CliResult nothing = Cli({"undo"});
  EXPECT_EQ(nothing.status, 0) << nothing.err;
  EXPECT_EQ(nothing.out, "Nichts rückgängig zu machen\n");
  EXPECT_EQ(Cli({"redo"}).out, "Nichts wiederherzustellen\n");

  ASSERT_EQ(Cli({"--dir", music, "X", " - ", " -- "}).status, 0);
  ASSERT_EQ(Cli({"--dir", music, "X", "a", "c"}).status, 0);
  ASSERT_EQ(Cli({"--dir", music, "X", "b", "d"}).status, 0);
  const CliResult dry = Cli({"undo", "--dry-run"});
  EXPECT_EQ(dry.out, music + "/c -- d.mp3\t" + music + "/c -- b.mp3\n");
  EXPECT_EQ(OnlyName(music), "c -- d.mp3");
  const CliResult undo = Cli({"undo"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_EQ(undo.out, "Rückgängig: Suchen und Ersetzen: Dateiname\n1 von 1 Dateien, Eintrag 4\n");
  EXPECT_EQ(OnlyName(music), "c -- b.mp3");
  for (const char* name : {"a -- b.mp3", "a - b.mp3"}) {
    EXPECT_EQ(Cli({"undo"}).status, 0);
    EXPECT_EQ(OnlyName(music), name);
  }
  EXPECT_EQ(Cli({"undo"}).out, "Nichts rückgängig zu machen\n");
  const CliResult redo = Cli({"redo"});
  EXPECT_EQ(redo.status, 0) << redo.err;
  EXPECT_EQ(redo.out, "Suchen und Ersetzen: Dateiname\n1 von 1 Dateien, Eintrag 7\n");
  EXPECT_EQ(OnlyName(music), "a -- b.mp3");
  EXPECT_EQ(Cli({"redo"}).status, 0);
  EXPECT_EQ(OnlyName(music), "c -- b.mp3");

  const CliResult undone = Cli({"undo", "3"});
  EXPECT_EQ(undone.status, 2);
  EXPECT_EQ(undone.err, "mp3sonavex-cli: Eintrag 3 ist schon rückgängig gemacht\n"
                        "Aufruf: mp3sonavex-cli --help\n");
  EXPECT_EQ(Cli({"redo", "1"}).err, "mp3sonavex-cli: Eintrag 1 ist nicht rückgängig "
                                    "gemacht\nAufruf: mp3sonavex-cli --help\n");
  EXPECT_EQ(Cli({"undo", "17"}).err,
            "mp3sonavex-cli: Kein Eintrag 17 im Journal\nAufruf: mp3sonavex-cli --help\n");

  ASSERT_EQ(Cli({"--dir", music, "X", "c", "e"}).status, 0);
  EXPECT_EQ(Cli({"redo"}).out, "Nichts wiederherzustellen\n");
  // By its number it still can, but the new batch renamed the same file
  // again: that one is taken back first.
  EXPECT_EQ(Cli({"redo", "3"}).status, 1);
  EXPECT_EQ(Cli({"redo", "3", "--with-later"}).status, 0);
  EXPECT_EQ(OnlyName(music), "c -- d.mp3");
}

// Undoing an older batch whose file a later batch renamed again would take
// the later rename back too: refused, naming the later batch, unless
// --with-later takes that one back first.
TEST_F(CliJournalTest, UndoOfAnOlderBatchTakesBackLaterChangesOnlyWhenAsked) {
  const std::string music = dir / "m";
  WriteFile(music + "/a b.mp3", "1");
  ASSERT_EQ(Cli({"--dir", music, "G"}).status, 0);
  ASSERT_EQ(Cli({"--dir", music, "Y", "mp3", "MP3"}).status, 0);
  ASSERT_EQ(OnlyName(music), "A B.MP3");

  const CliResult refused = Cli({"undo", "1"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err,
            "Fehler: Eintrag 1 lässt sich nicht allein rückgängig machen: Eintrag 2 "
            "(Suchen und Ersetzen: Dateityp) hat dieselben Dateien danach wieder geändert. "
            "Mit --with-later werden diese Einträge zuerst rückgängig gemacht.\n");
  EXPECT_EQ(OnlyName(music), "A B.MP3");

  const CliResult both = Cli({"undo", "1", "--with-later"});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.out,
            "Rückgängig: Suchen und Ersetzen: Dateityp\n1 von 1 Dateien, Eintrag 3\n"
            "Rückgängig: Großbuchstaben abc->Abc\n1 von 1 Dateien, Eintrag 4\n");
  EXPECT_EQ(OnlyName(music), "a b.mp3");
  const CliResult list = Cli({"journal"});
  EXPECT_EQ(Occurrences(list.out, "rückgängig gemacht"), 2u) << list.out;
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

// A journal that the first released layout wrote is listed, undone and
// redone like a new one; the files are as that journal's batches left them.
TEST_F(CliJournalTest, AJournalOfTheFirstLayoutIsListedUndoneAndRedone) {
  const std::string music = dir / "m";
  for (const char* name : {"a -- b.mp3", "c -- d.mp3", "g - h.mp3", "s\xC3\xBC" "b/e -- f.mp3"}) {
    WriteFile(music + "/" + name, name);
  }
  WriteFile(music + "/list.m3u", "new\r\n");
  WriteFile(music + "/export.txt", "list");
  std::filesystem::create_directories(dir / "state");
  ASSERT_TRUE(WriteFirstLayoutJournal(journalPath, dir.path()));

  const CliResult listed = Cli({"journal"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "7\t02.10.96 07:06\tX Suchen und Ersetzen: Dateiname\t2 Dateien\tnicht beendet\n"
            "5\t02.10.96 07:06\tJ Tags beim Lesen\t2 Dateien\n"
            "4\t02.10.96 07:06\tG Großbuchstaben abc->Abc\t2 Dateien\n"
            "3\t02.10.96 07:06\tZ Suchen und Ersetzen: Text\t2 Dateien\n"
            "2\t02.10.96 07:06\tB Titel setzen\t2 Dateien\n"
            "1\t02.10.96 07:06\tX Suchen und Ersetzen: Dateiname\t3 Dateien\n");

  const CliResult undone = Cli({"undo", "1"});
  EXPECT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(undone.out, "Rückgängig: Suchen und Ersetzen: Dateiname\n3 von 3 Dateien, Eintrag 8\n");
  EXPECT_EQ(OnlyName(music + "/s\xC3\xBC" "b"), "e - f.mp3");
  for (const char* name : {"a - b.mp3", "c - d.mp3", "g - h.mp3"}) {
    EXPECT_TRUE(Exists(music + "/" + name)) << name;
  }
  const CliResult redone = Cli({"redo", "1"});
  EXPECT_EQ(redone.status, 0) << redone.err;
  EXPECT_EQ(OnlyName(music + "/s\xC3\xBC" "b"), "e -- f.mp3");
  EXPECT_TRUE(Exists(music + "/a -- b.mp3"));

  const CliResult replaced = Cli({"undo", "3"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(ReadFile(music + "/list.m3u"), "old\r\n");
  EXPECT_FALSE(Exists(music + "/export.txt"));
}

}  // namespace
}  // namespace sonavex::test
