#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "core/apply/executor.h"
#include "core/mp3/id3v1.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/dialogs/preview_dialog.h"
#include "gui/main_menu.h"
#include "gui_fixture.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {
namespace {

TEST(PreviewDialog, ShowsOneRowPerStepWithItsMessageAndTheCounts) {
  Plan plan;
  plan.caption = U"Großbuchstaben abc->Abc";
  plan.directory = "/m";
  const PlanStep rename{"/m/Alben", "a b.mp3", steps::Rename{"A B.mp3"},
                       U"Datei existiert bereits"};
  const PlanStep tag{"/m", "c.mp3",
                     steps::TagWrite{TagWith("alt", "Band", ""), TagWith("neu", "Band", "Platte")}};
  const PlanStep refuse{"/m", "d.mp3",
                        steps::Refuse{{MessageKind::Warning, U"Name zu lang\n\rübersprungen"}}};
  steps::ContentReplace notKept;
  notKept.contentKept = false;
  steps::ContentReplace lines;
  lines.changedLines = 3;
  lines.before = "#EXTM3U\rC:\\Musik\\a.mp3\rC:\\Musik\\b.mp3\r";
  lines.after = "#EXTM3U\r\nD:\\a.mp3\r\nD:\\b.mp3\r\n";
  steps::ContentReplace line;
  line.changedLines = 1;
  plan.steps = {rename,
                tag,
                {"/m", "f.mp3", steps::TagAppend{}},
                refuse,
                {"/m", "e.txt", notKept},
                {"/m", "g.m3u", lines},
                {"/m", "h.m3u", line}};

  PreviewDialog dialog(plan);
  const QAbstractItemModel* model = dialog.rows()->model();
  const char* const expected[][5] = {
      {"Umbenennen", "Alben/a b.mp3", "a b.mp3", "A B.mp3", "Datei existiert bereits"},
      {"ID3-Tag schreiben", "c.mp3", "Titel: alt; Album: ", "Titel: neu; Album: Platte", ""},
      {"ID3-Tag anhängen", "f.mp3", "kein ID3-Tag", "leerer ID3-Tag", ""},
      {"Abgelehnt", "d.mp3", "", "", "Name zu lang übersprungen"},
      {"Inhalt ersetzen", "e.txt", "Inhalt", "Inhalt",
       "Kann nicht rückgängig gemacht werden."},
      {"Inhalt ersetzen", "g.m3u", "Inhalt",
       "Inhalt ersetzt (3 Zeilen): C:\\Musik\\a.mp3 → D:\\a.mp3", ""},
      {"Inhalt ersetzen", "h.m3u", "Inhalt", "Inhalt ersetzt (1 Zeile)", ""},
  };
  ASSERT_EQ(model->rowCount(), 7);
  for (int row = 0; row < 7; ++row) {
    for (int column = 0; column < kPreviewColumnCount; ++column) {
      EXPECT_EQ(model->index(row, column).data().toString(),
                QString::fromUtf8(expected[row][column]))
          << row << "," << column;
    }
    // Rows with a message stand out.
    EXPECT_EQ(model->index(row, 0).data(Qt::BackgroundRole).isValid(),
              expected[row][4][0] != '\0') << row;
  }
  EXPECT_EQ(dialog.counts()->text(),
            QStringLiteral("Umbenennen: 1 · ID3-Tags: 2 · Inhalte: 3 · Abgelehnt: 1 · "
                           "Fehler erwartet: 1"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vorschau: Großbuchstaben abc->Abc"));
  EXPECT_TRUE(dialog.runButton()->isDefault());
  EXPECT_EQ(dialog.runButton()->text(), QStringLiteral("Ausführen"));
  EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("Abbrechen"));
}

// Names and reasons are read in full: each column is as wide as its
// longest text.
TEST(PreviewDialog, ColumnsFitLongNamesAndReasons) {
  Plan plan;
  plan.directory = "/m";
  PlanStep rename{"/m", std::string(40, 'a') + " - Live in Hamburg 2004.mp3",
                  steps::Rename{std::string(40, 'A') + " - Live In Hamburg 2004.mp3"}};
  rename.foreseen = U"Datei /m/" + std::u32string(40, U'A') +
                    U" - Live In Hamburg 2004.mp3 existiert bereits und wird nicht ersetzt.";
  plan.steps = {rename};
  PreviewDialog dialog(plan);
  const QAbstractItemModel* model = dialog.rows()->model();
  const QFontMetrics metrics(dialog.rows()->font());
  for (int column : {kFileColumn, kBeforeColumn, kAfterColumn, kNoteColumn}) {
    const QString text = model->index(0, column).data().toString();
    EXPECT_GT(dialog.rows()->columnWidth(column), metrics.horizontalAdvance(text)) << column;
  }
}

TEST_F(GuiTest, PreviewOptionIsStoredAndComesBackAtTheNextStart) {
  Start();
  EXPECT_FALSE(Action("Vorschau1")->isChecked());
  Action("Vorschau1")->trigger();
  EXPECT_EQ(IniFile(settingsPath).ReadString(U"Optionen", U"Vorschau", U""), U"1");
  Start();
  EXPECT_TRUE(Action("Vorschau1")->isChecked());
  EXPECT_TRUE(windows.main->previewEnabled());
  Action("Vorschau1")->trigger();
  EXPECT_EQ(IniFile(settingsPath).ReadString(U"Optionen", U"Vorschau", U""), U"0");
  Start();
  EXPECT_FALSE(Action("Vorschau1")->isChecked());
}

class JournalTest : public GuiTest {
 protected:
  // A batch of `files` renames, as the executor would have recorded it.
  std::int64_t AddBatch(const std::string& caption, int files, std::int64_t undoes = 0) {
    // Now: the window prunes batches older than 90 days when it opens.
    const std::int64_t now = std::time(nullptr);
    std::error_code ec;
    auto journal = Journal::Open(journalPath, now, ec);
    EXPECT_FALSE(ec) << ec.message();
    BatchHeader header;
    header.time = now;
    header.operation = 'G';
    header.caption = caption;
    header.directory = music;
    header.undoes = undoes;
    const std::int64_t batch = journal->BeginBatch(header, ec);
    std::vector<JournalAction> actions(static_cast<std::size_t>(files));
    for (int i = 0; i < files; ++i) {
      actions[static_cast<std::size_t>(i)].directory = music;
      actions[static_cast<std::size_t>(i)].oldName = "a" + std::to_string(i);
      actions[static_cast<std::size_t>(i)].newName = "A" + std::to_string(i);
    }
    const std::vector<std::int64_t> ids = journal->RecordPending(batch, actions, ec);
    EXPECT_FALSE(journal->MarkDone(ids));
    EXPECT_FALSE(journal->EndBatch(batch));
    if (undoes != 0) {
      EXPECT_FALSE(journal->MarkUndone(undoes, batch));
    }
    return batch;
  }
  QString UndoText() { return Action("Rueckgaengig1")->text(); }
};

// Answers the preview window that the next batch opens and waits with;
// `rows` gets the number of rows it showed.
void AnswerPreview(bool run, int* rows) {
  QTimer::singleShot(0, [run, rows] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* preview = qobject_cast<PreviewDialog*>(widget);
      if (preview == nullptr || !preview->isVisible()) continue;
      *rows = preview->rows()->model()->rowCount();
      (run ? preview->runButton() : preview->cancelButton())->click();
    }
  });
}

TEST_F(JournalTest, WithThePreviewOnABatchRunsOnlyWhenConfirmedAndUndoTakesItBack) {
  Touch("eins zwei.mp3");
  MainWindow& window = StartIn(music);
  Action("Vorschau1")->trigger();
  int rows = 0;
  AnswerPreview(false, &rows);
  Action("Grobuchstaben1")->trigger();
  EXPECT_EQ(rows, 1);
  EXPECT_TRUE(Exists(music + "/eins zwei.mp3"));
  EXPECT_FALSE(Action("Rueckgaengig1")->isEnabled());

  rows = 0;
  AnswerPreview(true, &rows);
  Action("Grobuchstaben1")->trigger();
  EXPECT_EQ(rows, 1);
  EXPECT_TRUE(Exists(music + "/Eins Zwei.mp3"));
  EXPECT_EQ(window.entryName(0), "Eins Zwei.mp3");
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig: Großbuchstaben abc->Abc (1 Datei)\tStrg+Z"));

  // Taking back is a batch as well, previewed like any other.
  rows = 0;
  AnswerPreview(true, &rows);
  Action("Rueckgaengig1")->trigger();
  EXPECT_EQ(rows, 1);
  EXPECT_TRUE(Exists(music + "/eins zwei.mp3"));
  EXPECT_FALSE(Exists(music + "/Eins Zwei.mp3"));
  EXPECT_EQ(window.entryName(0), "eins zwei.mp3");

  // Taking the undo back in the history applies the batch again.
  Action("Vorschau1")->trigger();
  Action("Verlauf1")->trigger();
  ASSERT_EQ(windows.history->batches()->rowCount(), 2);
  windows.history->undoButton()->click();
  EXPECT_TRUE(Exists(music + "/Eins Zwei.mp3"));
  EXPECT_EQ(windows.history->batches()->rowCount(), 3);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(JournalTest, UndoItemNamesTheNewestBatchInEffect) {
  MainWindow& window = StartIn(music);
  EXPECT_FALSE(Action("Rueckgaengig1")->isEnabled());
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig\tStrg+Z"));
  EXPECT_EQ(Action("Rueckgaengig1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

  const std::int64_t first = AddBatch("Großbuchstaben abc->Abc", 3);
  // Opening the menu reads the journal again: another run may have written it.
  emit window.menu().bearbeiten()->aboutToShow();
  EXPECT_TRUE(Action("Rueckgaengig1")->isEnabled());
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig: Großbuchstaben abc->Abc (3 Dateien)\tStrg+Z"));

  // An undo is no step to take back: it is what "Wiederherstellen" names.
  AddBatch("Rückgängig: Großbuchstaben abc->Abc", 1, first);
  window.refreshUndoTarget();
  EXPECT_FALSE(Action("Rueckgaengig1")->isEnabled());
  EXPECT_TRUE(Action("Wiederherstellen1")->isEnabled());
  EXPECT_EQ(Action("Wiederherstellen1")->text(),
            QStringLiteral("&Wiederherstellen: Großbuchstaben abc->Abc (3 Dateien)\tStrg+Y"));
  EXPECT_EQ(Action("Wiederherstellen1")->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));

  // On the info page the menu is off, the grid's items take over.
  Touch("a.mp3");
  window.reloadFileList();
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  EXPECT_FALSE(Action("Wiederherstellen1")->isEnabled());
  EXPECT_FALSE(Action("Verlauf1")->isEnabled());
  EXPECT_TRUE(Action("Wiederherstellen2")->isEnabled());
  EXPECT_FALSE(Action("Rueckgaengig2")->isEnabled());
}

// Strg+Z twice takes back two batches, Strg+Y brings the second back.
TEST_F(JournalTest, UndoStepsBackAndRedoForwardThroughTheKeys) {
  Touch("eins ZWEI.mp3");
  MainWindow& window = StartIn(music);
  const auto press = [&](QKeyCombination key) {
    QTest::keyClick(&window, key.key(), key.keyboardModifiers());
  };
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Action("Grobuchstaben1")->trigger();
  Action("Kleinbuchstaben1")->trigger();
  EXPECT_EQ(window.entryName(0), "Eins Zwei.mp3");
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig: Kleinbuchstaben ABC->Abc (1 Datei)\tStrg+Z"));
  press(Qt::CTRL | Qt::Key_Z);
  EXPECT_EQ(window.entryName(0), "Eins ZWEI.mp3");
  press(Qt::CTRL | Qt::Key_Z);
  EXPECT_EQ(window.entryName(0), "eins ZWEI.mp3");
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig\tStrg+Z"));
  EXPECT_EQ(Action("Wiederherstellen1")->text(),
            QStringLiteral("&Wiederherstellen: Großbuchstaben abc->Abc (1 Datei)\tStrg+Y"));
  press(Qt::CTRL | Qt::Key_Y);
  EXPECT_EQ(window.entryName(0), "Eins ZWEI.mp3");
  press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
  EXPECT_EQ(window.entryName(0), "Eins Zwei.mp3");
  EXPECT_FALSE(Action("Wiederherstellen1")->isEnabled());
  EXPECT_TRUE(reporter.messages.empty());
}

// A click on an untagged file gives it its tag: listed, but "Rückgängig"
// passes it by; the clicks of one visit of the folder are one batch.
TEST_F(JournalTest, TagsGivenOnClicksAreOneBatchThatUndoPassesBy) {
  for (const char* name : {"a b.mp3", "c.mp3", "d.mp3"}) WriteFile(music + "/" + name, TwoFrames());
  MainWindow& window = StartIn(music);
  Action("Grobuchstaben1")->trigger();
  ASSERT_EQ(window.entryName(0), "A B.mp3");
  for (int row : {1, 2}) {
    window.setMarked(row, true);
    window.setMarked(row, false);
  }
  EXPECT_EQ(ReadFile(music + "/D.mp3"), TwoFrames() + EmptyTag());
  const std::vector<BatchSummary> batches = window.session().Batches();
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(batches[0].header.caption, "ID3Tag angelegt");
  EXPECT_EQ(batches[0].doneActions, 2);
  EXPECT_EQ(UndoText(), QStringLiteral("&Rückgängig: Großbuchstaben abc->Abc (3 Dateien)\tStrg+Z"));
  Action("Rueckgaengig1")->trigger();
  EXPECT_TRUE(Exists(music + "/a b.mp3"));
  EXPECT_EQ(ReadFile(music + "/d.mp3"), TwoFrames() + EmptyTag());
  EXPECT_TRUE(reporter.messages.empty());
}

// With "ID3Tag beim Lesen anlegen" off, looking at files writes nothing: a
// click and the grid leave an untagged file byte for byte.
TEST_F(JournalTest, WithoutTagsOnReadingLookingAtFilesWritesNothing) {
  const timespec past[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  for (const char* name : {"a.mp3", "b.mp3"}) {
    WriteFile(music + "/" + name, TwoFrames());
    ASSERT_EQ(utimensat(AT_FDCWD, (music + "/" + name).c_str(), past, 0), 0);
  }
  WriteFile(settingsPath, "[Datei]\nTyp=*.mp3\nVerzeichnis=" + music +
                              "\n[Optionen]\nTagBeimLesen=0\n");
  MainWindow& window = Start();
  EXPECT_FALSE(Action("TagBeimLesen1")->isChecked());
  window.setMarked(0, true);
  window.setMarked(0, false);
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  pages->setCurrentIndex(1);
  pages->setCurrentIndex(0);
  for (const char* name : {"a.mp3", "b.mp3"}) {
    struct stat info {};
    ASSERT_EQ(stat((music + "/" + name).c_str(), &info), 0);
    EXPECT_EQ(info.st_size, static_cast<off_t>(TwoFrames().size())) << name;
    EXPECT_EQ(info.st_mtim.tv_sec, past[1].tv_sec) << name;
  }
  EXPECT_TRUE(window.session().Batches().empty());

  // Switched on (stored), a click gives the file its tag again.
  Action("TagBeimLesen1")->trigger();
  EXPECT_EQ(IniFile(settingsPath).ReadString(U"Optionen", U"TagBeimLesen", U""), U"1");
  window.setMarked(1, true);
  EXPECT_EQ(ReadFile(music + "/b.mp3"), TwoFrames() + EmptyTag());
  EXPECT_TRUE(reporter.messages.empty());
}

// On the info page the menu "Bearbeiten" is off, but Strg+Z and Strg+Y
// still work, and the grid's context menu has both items.
TEST_F(JournalTest, UndoAndRedoKeysWorkOnTheInfoPage) {
  WriteFile(music + "/a.mp3", TwoFrames() + TagWith("alt", "", ""));
  MainWindow& window = StartIn(music);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  {
    // A cell edit as the grid makes it: one write per keystroke.
    Plan header;
    header.kind = PlanKind::GridEdit;
    header.caption = U"ID3Tag bearbeiten";
    StepSession edit(window.session().executorContext(), header);
    steps::TagWrite write{{}, TagWith("alt", "", "")};
    for (const char* typed : {"n", "ne", "neu"}) {
      write.before = write.after;
      write.after = TagWith(typed, "", "");
      ASSERT_TRUE(edit.Apply({music, "a.mp3", write}));
    }
  }
  window.refreshUndoTarget();
  windows.history->reload();
  EXPECT_EQ(windows.history->batches()->item(0, 2)->text(), QStringLiteral("1"));  // files
  const QList<QAction*> items = window.menu().popupMenu2->actions();
  EXPECT_TRUE(items.contains(Action("Rueckgaengig2")));
  EXPECT_TRUE(items.contains(Action("Wiederherstellen2")));
  EXPECT_FALSE(Action("Rueckgaengig1")->isEnabled());
  EXPECT_EQ(Action("Rueckgaengig2")->text(),
            QStringLiteral("&Rückgängig: ID3Tag bearbeiten (1 Datei)\tStrg+Z"));
  int rows = 0;
  Action("Vorschau1")->setChecked(true);
  AnswerPreview(true, &rows);
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(rows, 1);  // one row for the file, not one per keystroke
  EXPECT_EQ(ReadFile(music + "/a.mp3"), TwoFrames() + TagWith("alt", "", ""));
  EXPECT_TRUE(Action("Wiederherstellen2")->isEnabled());
  Action("Vorschau1")->setChecked(false);
  window.activateWindow();  // the preview had the focus
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(&window, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(ReadFile(music + "/a.mp3"), TwoFrames() + TagWith("neu", "", ""));
  EXPECT_TRUE(reporter.messages.empty());
}

// Undoing an older batch from "Verlauf" whose file a later batch renamed
// again: the later batch is offered to go first; declined, nothing changes.
TEST_F(JournalTest, HistoryOffersToTakeBackLaterChangesOfTheSameFilesFirst) {
  Touch("a b.mp3");
  MainWindow& window = StartIn(music);
  Action("Grobuchstaben1")->trigger();
  const std::int64_t upper = window.undoTarget();
  window.session().Apply(window.session().PlanBatch(
      Operation::Y, SearchReplaceParams{U"mp3", U"MP3"}, music, {}, BatchContext{}));
  ASSERT_TRUE(Exists(music + "/A B.MP3"));
  std::vector<std::string> asked;
  bool accept = false;
  window.setLaterChangesQuestion(
      [&](const BatchSummary& batch, const std::vector<BatchSummary>& later) {
        asked.push_back(batch.header.caption);
        for (const BatchSummary& each : later) asked.push_back(each.header.caption);
        return accept;
      });
  window.undoBatch(upper);
  EXPECT_EQ(asked, (std::vector<std::string>{"Großbuchstaben abc->Abc",
                                             "Suchen und Ersetzen: Dateityp"}));
  EXPECT_TRUE(Exists(music + "/A B.MP3"));
  EXPECT_EQ(window.session().Batches().size(), 2u);

  accept = true;
  window.undoBatch(upper);
  EXPECT_TRUE(Exists(music + "/a b.mp3"));
  for (const BatchSummary& batch : window.session().Batches()) {
    EXPECT_EQ(batch.undoneBy != 0, batch.header.undoes == 0) << batch.header.caption;
  }
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(JournalTest, HistoryListsTheBatchesNewestFirst) {
  const std::int64_t first = AddBatch("Großbuchstaben abc->Abc", 3);
  AddBatch("Rückgängig: Großbuchstaben abc->Abc", 3, first);
  StartIn(music);
  Action("Verlauf1")->trigger();
  HistoryDialog& history = *windows.history;
  ASSERT_TRUE(history.isVisible());
  QTableWidget* list = history.batches();
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("Rückgängig: Großbuchstaben abc->Abc"));
  EXPECT_EQ(list->item(1, 1)->text(), QStringLiteral("Großbuchstaben abc->Abc"));
  EXPECT_EQ(list->item(1, 2)->text(), QStringLiteral("3"));
  EXPECT_EQ(list->item(0, 3)->text(), QString());
  EXPECT_EQ(list->item(1, 3)->text(), QStringLiteral("rückgängig gemacht"));
  // A batch taken back is brought back by taking back its undo.
  EXPECT_TRUE(history.undoButton()->isEnabled());
  list->selectRow(1);
  EXPECT_FALSE(history.undoButton()->isEnabled());
}

TEST_F(JournalTest, JournalThatCannotBeOpenedWarnsOnceAndBatchesStillRun) {
  WriteFile(temp / "kein-verzeichnis", "x");
  journalPath = temp / "kein-verzeichnis/journal.sqlite";
  setenv("SONAVEX_JOURNAL", journalPath.c_str(), 1);
  Touch("a b.mp3");
  MainWindow& window = StartIn(music);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_TRUE(reporter.messages[0].text.starts_with(
      U"Rückgängig ist nicht möglich: Das Änderungsprotokoll " + DecodeUtf8(journalPath)))
      << EncodeUtf8(reporter.messages[0].text);
  EXPECT_EQ(window.session().journal(), nullptr);
  EXPECT_FALSE(Action("Rueckgaengig1")->isEnabled());
  EXPECT_FALSE(Action("Verlauf1")->isEnabled());

  Action("Grobuchstaben1")->trigger();
  EXPECT_TRUE(Exists(music + "/A B.mp3"));
  EXPECT_EQ(reporter.messages.size(), 1u);
}

}  // namespace
}  // namespace sonavex::test
