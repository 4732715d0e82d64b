#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTabWidget>
#include <QTableView>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "core/apply/undo.h"
#include "core/batch/plan.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "gui/dialogs/progress_window.h"
#include "gui/info_grid.h"
#include "gui/qt_text.h"
#include "gui_fixture.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {
namespace {

std::string Field(const std::string& text) { return text + std::string(30 - text.size(), ' '); }

// Sets or clears the immutable flag of `path`, which not even root may
// write past; false where the file system does not have it.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return done;
}

// Calls `onEvent` whenever `watched` receives an event of `type`.
class EventSpy : public QObject {
 public:
  EventSpy(QObject* watched, QEvent::Type type, std::function<void()> onEvent)
      : type_(type), onEvent_(std::move(onEvent)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type_) onEvent_();
    return false;
  }

 private:
  QEvent::Type type_;
  std::function<void()> onEvent_;
};

class InfoGridTest : public GuiTest {
 protected:
  // a.mp3 (tagged), b.MP3 (untagged) and c.txt under "*.*".
  MainWindow& StartWithThreeFiles() {
    WriteFile(music + "/a.mp3", TwoFrames() + TagWith("Song", "Band", "Platte"));
    WriteFile(music + "/b.MP3", TwoFrames());
    WriteFile(music + "/c.txt", "text");
    return StartIn(music, "*.*");
  }
  QTabWidget* Pages() { return windows.main->findChild<QTabWidget*>(QStringLiteral("PageControl1")); }
  QTableView* Grid() { return windows.main->infoGrid(); }
  int Rows() { return Grid()->model()->rowCount(); }
  QModelIndex Cell(int row, int column) { return Grid()->model()->index(row, column); }
  ProgressWindow* Progress() { return windows.main->findChild<ProgressWindow*>(QStringLiteral("Form2")); }
  QTableView* FixedColumn() { return Grid()->findChild<QTableView*>(QStringLiteral("FixedColumn")); }
  QString Text(int row, int column) { return Cell(row, column).data().toString(); }
  std::string TagBytes(const std::string& name) {
    const std::string bytes = ReadFile(music + "/" + name);
    return bytes.substr(bytes.size() - kTagSize);
  }
};

TEST_F(InfoGridTest, ShowingThePageFillsOneRowPerEntryAndTagsUntaggedFiles) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  ASSERT_EQ(Rows(), 3);
  const QStringList expected[] = {
      {"a.mp3", "Song", "Band", "Platte", "1", "3", "128KBit/s", "44100Hz", "Joint Stereo", "00:00", "962"},
      {"b.MP3", "", "", "", "1", "3", "128KBit/s", "44100Hz", "Joint Stereo", "00:00", "834"},
      {"c.txt", "", "", "", "", "", "", "", "", "", "4"},
  };
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 11; ++column) {
      EXPECT_EQ(Text(row, column).trimmed(), expected[row][column]) << row << "," << column;
    }
    EXPECT_EQ(Text(row, 11).size(), 14) << "DD.MM.YY HH:NN";
  }
  EXPECT_EQ(TagBytes("b.MP3"), EmptyTag());
  EXPECT_EQ(Text(0, 8), QStringLiteral("Joint Stereo"));  // left-aligned
  EXPECT_TRUE(Progress()->isHidden());
  EXPECT_EQ(Progress()->progressBar()->maximum(), 3);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(InfoGridTest, RightAlignedCellsAndFittedColumnsFollowTheColumnTable) {
  StartWithThreeFiles().show();
  Pages()->setCurrentIndex(1);
  const QFontMetrics metrics = Grid()->fontMetrics();
  // Blanks go in front until the text reaches the table width less 6; a
  // text that is wide enough already ("128KBit/s" in 52) gets none.
  for (const int column : {4, 5, 6, 7, 9, 10}) {
    const QString text = Text(0, column);
    const int target = InfoColumns[column].width - 6;
    const bool padded = text.startsWith(QLatin1Char(' '));
    EXPECT_EQ(padded, metrics.horizontalAdvance(text.trimmed()) < target) << column;
    if (!padded) continue;
    EXPECT_GE(metrics.horizontalAdvance(text), target) << column;
    EXPECT_LT(metrics.horizontalAdvance(text.mid(1)), target) << column;
  }
  EXPECT_TRUE(Text(0, 10).startsWith(QLatin1Char(' ')));
  // Fitted: the widest of caption and cells, plus 5.
  const auto widest = [&](const QStringList& texts) {
    int width = 0;
    for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text));
    return width + 5;
  };
  EXPECT_EQ(Grid()->columnWidth(0), widest({"Name", "a.mp3", "b.MP3", "c.txt"}));
  EXPECT_EQ(Grid()->columnWidth(3), widest({"Album", "Platte"}));
  EXPECT_EQ(Grid()->columnWidth(4), 35);
  // The names stay in place while the other columns scroll sideways.
  QTableView* fixed = FixedColumn();
  ASSERT_NE(fixed, nullptr);
  const QRect before = fixed->geometry();
  EXPECT_EQ(before.width(), Grid()->columnWidth(0));
  ASSERT_GT(Grid()->horizontalScrollBar()->maximum(), 0);
  Grid()->horizontalScrollBar()->setValue(Grid()->horizontalScrollBar()->maximum());
  EXPECT_EQ(fixed->geometry(), before);
}

TEST_F(InfoGridTest, OnlyTagCellsOfMp3RowsCanBeSelected) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 12; ++column) {
      const bool open = row < 2 && column >= 1 && column <= 3;
      const Qt::ItemFlags flags = Grid()->model()->flags(Grid()->model()->index(row, column));
      EXPECT_EQ(flags.testFlag(Qt::ItemIsSelectable), open) << row << "," << column;
      EXPECT_EQ(flags.testFlag(Qt::ItemIsEditable), open) << row << "," << column;
    }
  }
  Grid()->selectAll();
  EXPECT_EQ(Grid()->selectionModel()->selectedIndexes().size(), 6);
}

TEST_F(InfoGridTest, EveryKeystrokeInATagCellIsWrittenAndTheCellKeepsTheTypedText) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  Grid()->setCurrentIndex(Cell(1, 3));
  Grid()->edit(Cell(1, 3));
  auto* editor = Grid()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  const std::string typed = "xyz";
  for (std::size_t i = 0; i < typed.size(); ++i) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X + static_cast<int>(i), Qt::NoModifier,
                  QString(QLatin1Char(typed[i])));
    QApplication::sendEvent(editor, &key);
    EXPECT_EQ(TagBytes("b.MP3").substr(63, 30), Field(typed.substr(0, i + 1)));
    EXPECT_EQ(editor->cursorPosition(), static_cast<int>(i + 1));
  }
  EXPECT_EQ(Text(1, 3), QStringLiteral("xyz"));
  EXPECT_EQ(TagBytes("b.MP3").substr(3, 60), std::string(60, ' '));
  EXPECT_TRUE(reporter.messages.empty());
}

// Runs the program as an ordinary user from here on, until BackToRoot: the
// files the test made stay root's, so they are another user's files. Only
// a test run as root can do this.
bool AsOrdinaryUser(const std::string& path) {
  if (geteuid() != 0) return false;
  // Others may look into the test's folders, as into a home.
  for (std::filesystem::path folder = std::filesystem::path(path).parent_path();
       folder.has_relative_path(); folder = folder.parent_path()) {
    chmod(folder.c_str(), 0755);
    if (folder.filename().string().starts_with("sonavex-test-")) break;
  }
  return seteuid(65534) == 0;
}

void BackToRoot(const std::string&) { (void)!seteuid(0); }

// A keystroke whose write fails shows the file's title again, in the cell
// and in its editor, and the failure is reported: a file that may not be
// changed (immutable), another user's file, and one replaced by a directory
// since the filling.
TEST_F(InfoGridTest, AFailedWriteShowsWhatTheFileHoldsAndIsReported) {
  struct Case {
    const char* what;
    std::function<bool(const std::string&)> spoil;  // false: not possible here
    std::function<void(const std::string&)> mend;
  } const cases[] = {
      {"immutable", [](const std::string& path) { return SetImmutable(path, true); },
       [](const std::string& path) { SetImmutable(path, false); }},
      {"another user's file", AsOrdinaryUser, BackToRoot},
      {"directory",
       [](const std::string& path) {
         return std::filesystem::remove(path) && std::filesystem::create_directory(path);
       },
       [](const std::string& path) { std::filesystem::remove(path); }},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    StartWithThreeFiles();
    Pages()->setCurrentIndex(1);
    const std::string path = music + "/a.mp3";
    const std::string before = ReadFile(path);
    Grid()->setCurrentIndex(Cell(0, 1));
    Grid()->edit(Cell(0, 1));
    auto* editor = Grid()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    if (!row.spoil(path)) {
      std::printf("[ SKIPPED  ] %s: not possible on this file system\n", row.what);
      continue;
    }
    reporter.messages.clear();
    editor->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    QApplication::sendEvent(editor, &key);
    const bool wasDirectory = std::filesystem::is_directory(path);
    row.mend(path);
    EXPECT_EQ(Text(0, 1), QStringLiteral("Song"));
    EXPECT_EQ(editor->text(), QStringLiteral("Song"));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].text.find(U"a.mp3\n\r\n\r"), std::u32string::npos)
        << EncodeUtf8(reporter.messages[0].text);
    if (!wasDirectory) {
      EXPECT_EQ(ReadFile(path), before);
    }
    WriteFile(path, before);
  }
}

TEST_F(InfoGridTest, OneCellEditIsOneJournalBatchThatUndoTakesBackWhole) {
  MainWindow& window = StartWithThreeFiles();
  const std::string before = TagBytes("a.mp3");
  Pages()->setCurrentIndex(1);
  Grid()->setCurrentIndex(Cell(0, 1));
  Grid()->edit(Cell(0, 1));
  auto* editor = Grid()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  for (const char* typed : {"x", "y"}) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QString::fromLatin1(typed));
    QApplication::sendEvent(editor, &key);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  QApplication::processEvents();  // the editor closes on a queued call
  EXPECT_NE(TagBytes("a.mp3"), before);
  // The filling tagged b.MP3 first.
  const std::vector<BatchSummary> batches = window.session().Batches();
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(batches[0].header.caption, "ID3Tag bearbeiten");
  EXPECT_EQ(batches[1].header.caption, "ID3Tag angelegt");

  Pages()->setCurrentIndex(0);
  EXPECT_EQ(Action("Rueckgaengig1")->text(),
            QStringLiteral("&Rückgängig: ID3Tag bearbeiten (1 Datei)\tStrg+Z"));
  Action("Rueckgaengig1")->trigger();
  EXPECT_EQ(TagBytes("a.mp3"), before);
  EXPECT_TRUE(reporter.messages.empty());
}

// Reading an untagged MP3 file gives it an empty tag; that is a change like
// any other, so it is journaled and undo cuts exactly that tag off again.
TEST_F(InfoGridTest, TheTagsGivenWhileReadingAreOneJournalBatchThatUndoRemoves) {
  const std::string untagged = TwoFrames();
  const std::string shortFile = "short";
  struct Reader {
    const char* what;
    std::function<void(MainWindow&)> read;
    std::vector<std::int64_t> sizes;  // of the files that got a tag
  } const readers[] = {
      {"grid filling", [&](MainWindow&) { Pages()->setCurrentIndex(1); }, {834, 5}},
      {"status bar", [](MainWindow& window) { window.setMarked(1, true); }, {834}},
  };
  for (const Reader& reader : readers) {
    SCOPED_TRACE(reader.what);
    WriteFile(music + "/a.mp3", TwoFrames() + TagWith("Song", "Band", "Platte"));
    WriteFile(music + "/b.MP3", untagged);
    WriteFile(music + "/d.mp3", shortFile);
    MainWindow& window = StartIn(music, "*.mp3");
    const std::string tagged = ReadFile(music + "/a.mp3");
    const std::size_t before = window.session().Batches().size();
    reader.read(window);
    ASSERT_EQ(ReadFile(music + "/b.MP3"), untagged + EmptyTag());
    // Read again: nothing left to tag, no further batch.
    Pages()->setCurrentIndex(0);
    reader.read(window);
    const std::vector<BatchSummary> batches = window.session().Batches();
    ASSERT_EQ(batches.size(), before + 1);
    EXPECT_EQ(PlanKindOfLetter(batches[0].header.operation), PlanKind::TagOnRead);
    EXPECT_EQ(batches[0].header.caption, "ID3Tag angelegt");
    EXPECT_EQ(batches[0].header.directory, music);
    std::error_code ec;
    std::vector<std::int64_t> sizes;
    Journal& journal = *window.session().journal();
    for (const JournalAction& action : journal.ActionsOf(batches[0].id, ec)) {
      EXPECT_EQ(action.kind, ActionKind::TagAppend);
      sizes.push_back(action.sizeBefore);
    }
    EXPECT_EQ(sizes, reader.sizes);
    // Listed, but no step of the user's: "Rückgängig" passes it by.
    EXPECT_EQ(window.undoTarget(), 0);

    const Plan undo = PlanUndo(journal, batches[0].id, ec);
    ASSERT_FALSE(ec);
    EXPECT_EQ(ApplyPlan(undo, window.session().executorContext()).performed,
              static_cast<int>(reader.sizes.size()));
    EXPECT_EQ(ReadFile(music + "/a.mp3"), tagged);
    EXPECT_EQ(ReadFile(music + "/b.MP3"), untagged);
    EXPECT_EQ(ReadFile(music + "/d.mp3"), shortFile);
    EXPECT_TRUE(reporter.messages.empty());
  }
}

// A file that cannot be written (here a running program, which not even
// root may open for writing) keeps its row; the message names the file
// by its full path, and the journal keeps no batch for it.
TEST_F(InfoGridTest, ATagThatCannotBeAppendedIsReportedWithItsPath) {
  const char* sleepProgram = Exists("/usr/bin/sleep") ? "/usr/bin/sleep" : "/bin/sleep";
  StartWithThreeFiles();
  std::filesystem::remove(music + "/b.MP3");
  std::filesystem::copy_file(sleepProgram, music + "/b.mp3");
  const std::string program = ReadFile(music + "/b.mp3");
  const std::string path = music + "/b.mp3";
  char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("30"), nullptr};
  pid_t running = 0;
  ASSERT_EQ(posix_spawn(&running, path.c_str(), nullptr, nullptr, argv, environ), 0);
  windows.main->reloadFileList();
  Pages()->setCurrentIndex(1);
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  EXPECT_EQ(Rows(), 3);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].text,
            DecodeUtf8(path) + U"\n\r\n\rDatei wird gerade verwendet!");
  EXPECT_EQ(ReadFile(music + "/b.mp3"), program);
  EXPECT_TRUE(windows.main->session().Batches().empty());
}

TEST_F(InfoGridTest, TypingIntoASelectedTagCellWritesFromTheFirstKey) {
  StartWithThreeFiles().show();
  Pages()->setCurrentIndex(1);
  Grid()->setFocus();
  Grid()->setCurrentIndex(Cell(0, 1));
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
  QApplication::sendEvent(Grid(), &key);
  EXPECT_EQ(TagBytes("a.mp3").substr(3, 30), Field("q"));
  EXPECT_EQ(TagBytes("a.mp3").substr(33, 30), Field("Band"));
}

TEST_F(InfoGridTest, AnEmptyListLeadsBackToTheFileListAndKeepsTheRows) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  MaskField()->setText(QStringLiteral("*.wav"));
  EXPECT_EQ(Pages()->currentIndex(), 0);
  EXPECT_EQ(Rows(), 3);
}

// A file that vanished since the listing, and one that even root may not
// read: both stop the filling with the error's number, and a refused read is
// no write protection.
TEST_F(InfoGridTest, AFileThatCannotBeReadStopsTheFillingWithItsError) {
  struct Case {
    const char* name;
    const char* linkTarget;  // none: the file is gone
    std::u32string error;
  } const cases[] = {{"b.MP3", nullptr, U"Fehler 2:"},
                     {"b.mp3", "/proc/sys/vm/drop_caches", U"Fehler 13:"}};
  for (const Case& row : cases) {
    StartWithThreeFiles();
    std::remove((music + "/b.MP3").c_str());
    if (row.linkTarget != nullptr) {
      ASSERT_EQ(symlink(row.linkTarget, (music + "/" + row.name).c_str()), 0);
      windows.main->reloadFileList();
    }
    reporter.messages.clear();
    Pages()->setCurrentIndex(1);
    EXPECT_EQ(Rows(), 1) << row.name;
    ASSERT_EQ(reporter.messages.size(), 1u) << row.name;
    EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(reporter.messages[0].text.rfind(U32(music + "/" + row.name) + U"\n\r\n\r" + row.error, 0),
              0u)
        << row.name;
    EXPECT_TRUE(Progress()->isHidden());
    std::remove((music + "/b.mp3").c_str());
  }
}

// Files read ahead of the rows: the same rows, the filling stops at the
// same vanished file with the same message, and only the untagged files
// before it get their empty tag.
TEST_F(InfoGridTest, ReadingAheadFillsTheSameRowsAndStopsAtTheSameFile) {
  const auto fill = [&](const char* inFlight) {
    std::filesystem::remove_all(music);
    for (int i = 10; i < 40; ++i) {
      const std::string n = std::to_string(i);
      WriteFile(music + "/" + n + ".mp3", i % 2 ? TwoFrames() : TwoFrames() + TagWith("T" + n, "A", "B"));
    }
    StartIn(music, "*.*");
    std::remove((music + "/25.mp3").c_str());
    reporter.messages.clear();
    setenv("SONAVEX_READS_IN_FLIGHT", inFlight, 1);
    Pages()->setCurrentIndex(1);
    unsetenv("SONAVEX_READS_IN_FLIGHT");
    QStringList seen;
    for (int row = 0; row < Rows(); ++row) {
      for (int column = 0; column < 12; ++column) seen << Text(row, column);
    }
    for (const auto& message : reporter.messages) seen << ToQString(message.text);
    for (int i = 10; i < 40; ++i) {
      const std::string path = music + "/" + std::to_string(i) + ".mp3";
      if (Exists(path)) seen << QString::number(HasTagMarker(TagBytes(std::to_string(i) + ".mp3")));
    }
    EXPECT_TRUE(Progress()->isHidden());
    return seen;
  };
  const QStringList sequential = fill("1");
  ASSERT_EQ(sequential.size(), 15 * 12 + 1 + 29);
  EXPECT_TRUE(sequential[15 * 12].startsWith(QString::fromStdString(music + "/25.mp3")));
  EXPECT_EQ(sequential.last(), QStringLiteral("0"));  // 39.mp3 stays untagged
  EXPECT_EQ(fill("16"), sequential);
}

// The filling blocks the event loop; the progress window must still be
// drawn, centred over the main window, with its bar at every step.
TEST_F(InfoGridTest, TheProgressWindowIsDrawnAtEveryStepOfAFilling) {
  StartWithThreeFiles().show();
  struct Painted {
    int value;
    bool visible;
    QPoint offCentre;
  };
  std::vector<Painted> painted;
  QProgressBar* bar = Progress()->progressBar();
  EventSpy spy(bar, QEvent::Paint, [&] {
    const QRect outer = windows.main->frameGeometry();
    const QRect progress = Progress()->frameGeometry();
    const QPoint centred(outer.x() + outer.width() / 2 - progress.width() / 2,
                         outer.y() + outer.height() / 2 - progress.height() / 2);
    painted.push_back({bar->value(), Progress()->isVisible(), progress.topLeft() - centred});
  });
  Pages()->setCurrentIndex(1);
  std::vector<int> steps;
  for (const Painted& paint : painted) {
    EXPECT_TRUE(paint.visible);
    EXPECT_EQ(paint.offCentre, QPoint(0, 0));
    if (steps.empty() || steps.back() != paint.value) steps.push_back(paint.value);
  }
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(bar->maximum(), 3);
  EXPECT_TRUE(Progress()->isHidden());
}

// Under a window manager the progress window took the activation and kept
// it after it was hidden: typed keys went nowhere.
TEST_F(InfoGridTest, AfterAFillingTheKeysStillReachTheFocusedMaskField) {
  MainWindow& window = StartWithThreeFiles();
  window.show();
  window.activateWindow();
  QCoreApplication::processEvents();
  MaskField()->setFocus();
  ASSERT_TRUE(window.isActiveWindow());
  Pages()->setCurrentIndex(1);
  QCoreApplication::processEvents();  // as the event loop goes on
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(QApplication::focusWidget(), &backspace);
  EXPECT_TRUE(window.isActiveWindow());
  EXPECT_EQ(QApplication::focusWidget(), MaskField());
  EXPECT_EQ(MaskField()->text(), QStringLiteral("*."));
  EXPECT_TRUE(QApplication::activeWindow() == &window);
}

// The grey name column covers the names only: it ends below the last row
// and follows the window as it is made smaller or larger.
TEST_F(InfoGridTest, TheFixedNameColumnEndsWithTheRowsAndFollowsTheWindow) {
  for (int i = 0; i < 30; ++i) Touch("track" + std::to_string(100 + i) + ".mp3");
  MainWindow& window = StartIn(music);
  window.show();
  Pages()->setCurrentIndex(1);
  const int header = Grid()->horizontalHeader()->height();
  for (const int height : {700, 300, 900}) {
    window.resize(700, height);
    QCoreApplication::sendPostedEvents();
    const int rows = std::min(30 * 17, Grid()->viewport()->height());
    EXPECT_EQ(FixedColumn()->geometry().height(), header + rows) << height;
    EXPECT_EQ(FixedColumn()->geometry().width(), Grid()->columnWidth(0)) << height;
  }
  MaskField()->setText(QStringLiteral("track10*.mp3"));
  EXPECT_EQ(Rows(), 10);
  EXPECT_EQ(FixedColumn()->geometry().height(), header + 10 * 17);
}

TEST_F(InfoGridTest, EveryCaptionFitsItsColumnUncut) {
  StartWithThreeFiles();
  QHeaderView* header = Grid()->horizontalHeader();
  for (int column = 0; column < 12; ++column) {
    QStyleOptionHeader option;
    option.initFrom(header);
    option.rect = QRect(0, 0, InfoColumns[column].width, header->height());
    option.text = QString::fromUtf8(InfoColumns[column].caption);
    const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
    EXPECT_LE(header->fontMetrics().horizontalAdvance(option.text), label.width())
        << InfoColumns[column].caption;
  }
}

TEST_F(InfoGridTest, StatusBarShowsTheMpegSummaryOfOneMarkedMp3Entry) {
  MainWindow& window = StartWithThreeFiles();
  window.setMarked(0, true);
  EXPECT_EQ(Panel(2), QStringLiteral("MPEG1, Layer3, 128KBit/s, 44100Hz, Joint Stereo, 00:00"));
  window.setMarked(1, true);
  EXPECT_EQ(Panel(2), QString());
  window.MarkNone();
  window.setMarked(2, true);
  EXPECT_EQ(Panel(2), QString());
}

}  // namespace
}  // namespace sonavex::test
