#include <QComboBox>
#include <QLineEdit>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWindow>
#include <filesystem>

#include "core/fs/volumes.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "gui/dialogs/about_box.h"
#include "gui/main_menu.h"
#include "gui/message_box_reporter.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

std::u32string Key(const std::string& path, const char32_t* section,
                   const char32_t* key) {
  return IniFile(path).ReadString(section, key, U"<missing>");
}

TEST_F(GuiTest, FreshStartUsesDefaultsAndWritesOnlyThePlacement) {
  MainWindow& window = Start();
  EXPECT_EQ(window.geometry(), QRect(30, 42, 604, 423));
  EXPECT_EQ(ReadFile(settingsPath), "[Pos]\nX=30\nY=42\nXl=604\nYl=423\n");
  EXPECT_EQ(MaskField()->text(), QStringLiteral("*.mp3"));
  EXPECT_EQ(window.currentDirectory(), home);
  EXPECT_EQ(window.selectedDrive(), VolumeOf(home, ListVolumes()));
  EXPECT_EQ(window.lastGoodDrive(), window.selectedDrive());
  EXPECT_TRUE(reporter.messages.empty());
  window.show();
  ASSERT_NE(window.focusWidget(), nullptr);
  EXPECT_EQ(window.focusWidget()->objectName(), QStringLiteral("Button1"));
}

TEST_F(GuiTest, UnwritableSettingsFileIsReportedOnceAtStartAndAtClose) {
  WriteFile(temp / "datei", "");
  settingsPath = temp / "datei/mp3sonavex.INI";
  MainWindow& window = Start();
  EXPECT_EQ(window.geometry(), QRect(30, 42, 604, 423));
  window.close();
  const std::u32string expected =
      U"Kann nicht nach " + U32(settingsPath) + U" schreiben";
  ASSERT_EQ(reporter.messages.size(), 2u);
  for (const RecordedMessage& message : reporter.messages) {
    EXPECT_EQ(message.kind, MessageKind::Error);
    EXPECT_EQ(message.text, expected);
  }
}

TEST_F(GuiTest, StoredPlacementIsCompletedAndKeptAboveTheMinimum) {
  struct Row {
    const char* pos;
    QRect expected;
    const char32_t* storedXl;
  };
  const Row rows[] = {
      {"X=100\nY=50\nXl=\nYl=350\n", QRect(100, 50, 604, 350), U"604"},
      {"X=10\nY=20\nXl=200\nYl=200\n", QRect(10, 20, 300, 300), U"200"},
  };
  for (const Row& row : rows) {
    WriteFile(settingsPath, std::string("[Pos]\n") + row.pos);
    EXPECT_EQ(Start().geometry(), row.expected) << row.pos;
    EXPECT_EQ(Key(settingsPath, U"Pos", U"Xl"), row.storedXl) << row.pos;
  }
}

TEST_F(GuiTest, NonNumericPositionIsReportedAndTheWindowStillOpens) {
  WriteFile(settingsPath, "[Pos]\nX=links\n");
  EXPECT_EQ(Start().geometry(), QRect(30, 42, 604, 423));
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
}

TEST_F(GuiTest, CloseStoresSelectionAndPlacementAndRestartRestoresThem) {
  WriteFile(music + "/Alben/a.wav", "x");
  MainWindow& window = StartIn(music);
  window.setGeometry(40, 50, 500, 400);
  MaskField()->setText(QStringLiteral("*.wav"));
  ASSERT_TRUE(window.changeDirectory(music + "/Alben"));
  window.showMaximized();
  window.close();
  EXPECT_EQ(Key(settingsPath, U"Pos", U"X"), U"40");
  EXPECT_EQ(Key(settingsPath, U"Pos", U"Yl"), U"400");
  EXPECT_EQ(Key(settingsPath, U"Datei", U"Typ"), U"*.wav");
  EXPECT_EQ(Key(settingsPath, U"Datei", U"Verzeichnis"), DecodeUtf8(music + "/Alben"));
  EXPECT_EQ(Key(settingsPath, U"Datei", U"Laufwerk"),
            DecodeUtf8(VolumeOf(music, ListVolumes())));

  MainWindow& again = Start();
  EXPECT_EQ(again.geometry(), QRect(40, 50, 500, 400));
  EXPECT_EQ(MaskField()->text(), QStringLiteral("*.wav"));
  EXPECT_EQ(again.currentDirectory(), music + "/Alben");
  ASSERT_EQ(again.entryCount(), 1);
  EXPECT_EQ(again.entryName(0), "a.wav");
}

TEST_F(GuiTest, EmptyStoredMaskComesBackAsMp3) {
  WriteFile(settingsPath, "[Datei]\nTyp=\n");
  Start();
  EXPECT_EQ(MaskField()->text(), QStringLiteral("*.mp3"));
}

TEST_F(GuiTest, UnmountedStoredDriveWarnsAndTheStoredDirectoryIsShown) {
  WriteFile(settingsPath, "[Datei]\nLaufwerk=/media/weg\nVerzeichnis=" + music + "\n");
  MainWindow& window = Start();
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].text, U"Laufwerk /media/weg: ist nicht bereit!");
  EXPECT_EQ(window.currentDirectory(), music);
}

TEST_F(GuiTest, MissingStoredDirectoryIsReportedAndHomeIsShown) {
  MainWindow& window = StartIn(temp / "gibt-es-nicht");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(window.currentDirectory(), home);
}

TEST_F(GuiTest, MaskWithTwoPatternsListsBoth) {
  for (const char* name : {"c.txt", "b.WAV", "a.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  MaskField()->setText(QStringLiteral("*.mp3;*.wav"));
  ASSERT_EQ(window.entryCount(), 2);
  EXPECT_EQ(window.entryName(0), "a.mp3");
  EXPECT_EQ(window.entryName(1), "b.WAV");
  MaskField()->setText(QString());
  EXPECT_EQ(window.entryCount(), 0);
}

TEST_F(GuiTest, NameThatIsNotUtf8IsKeptAsBytes) {
  Touch("caf\xE9.mp3");
  MainWindow& window = StartIn(music);
  ASSERT_EQ(window.entryCount(), 1);
  EXPECT_EQ(window.entryName(0), "caf\xE9.mp3");
  EXPECT_EQ(window.entryText(0), QString::fromUtf8("caf\xEF\xBF\xBD.mp3"));
}

TEST_F(GuiTest, StatusBarCountsEntriesAndMarksAndShowsTheOptions) {
  for (int i = 0; i < 12; ++i) Touch("t" + std::to_string(i + 10) + ".mp3");
  MainWindow& window = StartIn(music);
  for (int index : {1, 4, 9}) window.setMarked(index, true);
  EXPECT_EQ(Panel(1), QStringLiteral("12 : 3"));
  EXPECT_EQ(Panel(0), QString());
  Action("Unterverzeichnisse1")->trigger();
  EXPECT_EQ(Panel(0), QStringLiteral("D"));
  window.setReplacementActive(true);
  window.RefreshView();
  EXPECT_EQ(Panel(0), QStringLiteral("DZ"));
  Action("Unterverzeichnisse1")->trigger();
  EXPECT_EQ(Panel(0), QStringLiteral("Z"));
  // A click on the replacement item opens its dialog, which puts the stored
  // switch (off) back in force; the mark follows the switch, not the click.
  Action("Zeichenersetzen1")->trigger();
  EXPECT_FALSE(Action("Zeichenersetzen1")->isChecked());
  EXPECT_EQ(Panel(0), QString());
}

// The context menu works on the marks the user set; a right click that
// marked the entry under the mouse would run the command on that file alone.
TEST_F(GuiTest, RightClickLeavesTheMarksAsTheyAre) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  window.show();
  window.setMarked(0, true);
  window.setMarked(1, true);
  auto* list = window.findChild<QListView*>(QStringLiteral("FileListBox1"));
  QWidget* viewport = list->viewport();
  const QPointF at = list->visualRect(list->model()->index(2, 0)).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::RightButton,
                      type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
  }
  EXPECT_TRUE(window.isMarked(0));
  EXPECT_TRUE(window.isMarked(1));
  EXPECT_FALSE(window.isMarked(2));
  EXPECT_EQ(Panel(1), QStringLiteral("3 : 2"));
  // Through the window, as the system delivers it: the menu still opens.
  const QPointF inWindow = viewport->mapTo(&window, at.toPoint());
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, inWindow, viewport->mapToGlobal(at), Qt::RightButton,
                      type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window.windowHandle(), &event);
  }
  EXPECT_TRUE(window.menu().popupMenu1->isVisible());
  EXPECT_EQ(Panel(1), QStringLiteral("3 : 2"));
  window.menu().popupMenu1->hide();
}

// The first click of a double click already enters the directory and
// redraws the tree; the second must not enter whatever now lies under the
// mouse.
TEST_F(GuiTest, TreeEntersTheDirectoryDoubleClickedOrChosenWithEnter) {
  WriteFile(music + "/A/a.mp3", "x");
  WriteFile(music + "/B/C/c.mp3", "x");
  MainWindow& window = StartIn(music);
  window.show();
  auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("DirectoryListBox1"));
  const QList<QTreeWidgetItem*> found = tree->findItems(QStringLiteral("B"),
                                                        Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  QWidget* viewport = tree->viewport();
  const QPointF at = tree->visualItemRect(found[0]).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
  }
  EXPECT_EQ(window.currentDirectory(), music + "/B");
  // Enter on a directory chosen with the keyboard enters it.
  tree->setCurrentItem(tree->findItems(QStringLiteral("C"),
                                       Qt::MatchExactly | Qt::MatchRecursive).front());
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(tree, &enter);
  EXPECT_EQ(window.currentDirectory(), music + "/B/C");
}

// A music folder on another volume, reached through a link in the home
// directory: the tree lists the link in name order and enters it, and the
// drive selector follows to that volume, which is then the drive to go back
// to when a volume picked later does not answer.
TEST_F(GuiTest, TreeEntersLinksAndTheDriveFollowsTheVolume) {
  const std::string root = std::filesystem::canonical(temp.path());
  const std::string stick = root + "/stick";
  const std::string dead = root + "/tot";
  WriteFile(stick + "/Alben/a.mp3", "x");
  for (const char* name : {"Rock", "alternative"}) {
    std::filesystem::create_directory(music + "/" + name);
  }
  std::filesystem::create_directory_symlink(stick + "/Alben", music + "/Stick");
  storage.volumes = {"/", stick, dead};
  storage.listDirectory = [dead](const std::string& directory, std::u32string_view mask,
                                 std::error_code& ec) {
    if (!directory.starts_with(dead)) return ListDirectory(directory, mask, ec);
    ec = {EIO, std::generic_category()};
    return DirectoryListing{};
  };
  MainWindow& window = StartIn(music);
  auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("DirectoryListBox1"));
  QTreeWidgetItem* shown = tree->currentItem();
  ASSERT_EQ(shown->childCount(), 3);
  EXPECT_EQ(shown->child(0)->text(0), QStringLiteral("alternative"));
  EXPECT_EQ(shown->child(1)->text(0), QStringLiteral("Rock"));
  EXPECT_EQ(shown->child(2)->text(0), QStringLiteral("Stick"));
  EXPECT_EQ(window.selectedDrive(), "/");

  tree->setCurrentItem(shown->child(2));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(tree, &enter);
  EXPECT_EQ(window.currentDirectory(), music + "/Stick");
  ASSERT_EQ(window.entryCount(), 1);
  EXPECT_EQ(window.selectedDrive(), stick);
  EXPECT_EQ(window.lastGoodDrive(), stick);

  window.selectDrive(dead);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].text, U"Laufwerk " + U32(dead) + U": ist nicht bereit!");
  EXPECT_EQ(window.currentDirectory(), music + "/Stick");
  EXPECT_EQ(window.selectedDrive(), stick);
}

TEST_F(GuiTest, MarkCommandsSetClearAndInvert) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  for (int index : {0, 2, 3}) window.setMarked(index, true);
  Action("Umkehr2")->trigger();  // the popup twin runs the same command
  EXPECT_EQ(Panel(1), QStringLiteral("5 : 2"));
  EXPECT_EQ(window.markedNames(), (std::vector<std::string>{"b.mp3", "e.mp3"}));
  Action("Umkehr1")->trigger();
  EXPECT_EQ(window.markedNames(), (std::vector<std::string>{"a.mp3", "c.mp3", "d.mp3"}));
  Action("Alle1")->trigger();
  EXPECT_EQ(Panel(1), QStringLiteral("5 : 5"));
  EXPECT_TRUE(window.isMarked(4));
  Action("Keine1")->trigger();
  EXPECT_EQ(Panel(1), QStringLiteral("5 : 0"));
  EXPECT_FALSE(window.isMarked(0));
}

// A batch re-reads the list; the user stays on the entry they were on (found
// by its name, though it moved up a row) and sees the same rows.
TEST_F(GuiTest, ReReadingTheListKeepsTheCurrentEntryAndTheScrollPosition) {
  for (int i = 100; i < 300; ++i) Touch("track" + std::to_string(i) + ".mp3");
  MainWindow& window = StartIn(music);
  window.show();
  auto* list = window.findChild<QListView*>(QStringLiteral("FileListBox1"));
  const QModelIndex current = list->model()->index(150, 0);
  list->setCurrentIndex(current);
  list->scrollTo(current, QAbstractItemView::PositionAtCenter);
  const int scrolled = list->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  window.MarkNone();
  window.setMarked(0, true);
  ASSERT_TRUE(window.runSelection(Operation::E, InsertEndsParams{U"z", U""}));
  ASSERT_TRUE(Exists(music + "/ztrack100.mp3"));
  EXPECT_EQ(window.entryName(list->currentIndex().row()), "track250.mp3");
  EXPECT_EQ(list->currentIndex().row(), 149);
  EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);
  EXPECT_EQ(Panel(1), QStringLiteral("200 : 0"));
}

TEST_F(GuiTest, BatchCommandWorksOnTheMarksOrTheWholeDirectory) {
  for (const char* name : {"drei vier.mp3", "eins zwei.mp3"}) Touch(name);
  WriteFile(music + "/Alben/fünf sechs.mp3", "x");
  MainWindow& window = StartIn(music);
  window.setMarked(1, true);
  Action("Grobuchstaben1")->trigger();
  EXPECT_TRUE(Exists(music + "/Eins Zwei.mp3"));
  EXPECT_TRUE(Exists(music + "/drei vier.mp3"));
  // The list is read again: new names, no marks.
  EXPECT_EQ(window.entryName(1), "Eins Zwei.mp3");
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 0"));
  EXPECT_FALSE(Action("Umbenennen1")->isEnabled());

  Action("Unterverzeichnisse1")->trigger();
  Action("Grobuchstaben2")->trigger();
  EXPECT_TRUE(Exists(music + "/Drei Vier.mp3"));
  EXPECT_TRUE(Exists(music + "/Alben/Fünf Sechs.mp3"));
  EXPECT_TRUE(reporter.messages.empty());
}

struct MenuRow {
  const char* situation;
  bool entries;
  bool recursive;
  bool marked;
  bool infoPage;
  // Bearbeiten1, Markieren1, Exportieren1, ID3TagausNamenerstellen1,
  // Umbenennen1, Markieren2, Umbenennen2
  std::array<bool, 7> enabled;
};

TEST_F(GuiTest, MenusFollowPageEntriesOptionAndMarks) {
  const char* const items[] = {"Bearbeiten1", "Markieren1", "Exportieren1",
                               "ID3TagausNamenerstellen1", "Umbenennen1",
                               "Markieren2", "Umbenennen2"};
  const MenuRow rows[] = {
      {"empty", false, false, false, false, {1, 0, 0, 0, 0, 0, 0}},
      {"empty, subdirectories", false, true, false, false, {1, 1, 1, 1, 0, 1, 0}},
      {"entries", true, false, false, false, {1, 1, 1, 1, 0, 1, 0}},
      {"entries, marked", true, false, true, false, {1, 1, 1, 1, 1, 1, 1}},
      {"info page", true, false, true, true, {0, 0, 0, 0, 0, 0, 0}},
  };
  for (const MenuRow& row : rows) {
    TempDir directory;
    if (row.entries) WriteFile(directory / "a.mp3", "x");
    MainWindow& window = StartIn(directory.path());
    if (row.recursive) Action("Unterverzeichnisse1")->trigger();
    if (row.marked) window.setMarked(0, true);
    if (row.infoPage) {
      window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    }
    for (std::size_t i = 0; i < std::size(items); ++i) {
      EXPECT_EQ(Action(items[i])->isEnabled(), row.enabled[i])
          << row.situation << ": " << items[i];
    }
    EXPECT_TRUE(Action("Optionen1")->isEnabled()) << row.situation;
    EXPECT_TRUE(Action("SuchenundErsetzen2")->isEnabled()) << row.situation;
  }
}

TEST_F(GuiTest, InfoPageWithAnEmptyListLeadsBackToTheFileList) {
  MainWindow& window = StartIn(music);
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  pages->setCurrentIndex(1);
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_TRUE(Action("Bearbeiten1")->isEnabled());
}

TEST_F(GuiTest, MenuItemsCarryTheirGermanShortcuts) {
  struct Row {
    const char* item;
    const char* text;
    QKeySequence key;
  };
  const Row rows[] = {
      {"Beenden1", "&Beenden\tAlt+X", QKeySequence(Qt::ALT | Qt::Key_X)},
      {"Alle1", "&Alle\tStrg+A", QKeySequence(Qt::CTRL | Qt::Key_A)},
      {"Hilfe2", "Hilfe extern aufrufen!\tF1", QKeySequence(Qt::Key_F1)},
      {"Alle2", "Alle", QKeySequence()},
  };
  Start();
  for (const Row& row : rows) {
    EXPECT_EQ(Action(row.item)->text(), QString::fromUtf8(row.text)) << row.item;
    EXPECT_EQ(Action(row.item)->shortcut(), row.key) << row.item;
  }
}

TEST_F(GuiTest, AboutBoxNamesTheHelpAndOkHidesIt) {
  MainWindow& window = Start();
  Action("ber1")->trigger();
  AboutBox* about = windows.about;
  ASSERT_TRUE(about->isVisible());
  // Centred over the main window (30, 42, 604 x 423).
  EXPECT_EQ(about->pos(), QPoint(30 + 302 - about->width() / 2, 42 + 211 - about->height() / 2));
  const QStringList lines =
      about->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[2], QStringLiteral("F1 oder \"?\" > \"Hilfe extern aufrufen!\""));
  about->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
  EXPECT_FALSE(about->isVisible());
  EXPECT_TRUE(window.isEnabled());
}

TEST(MessageTextForDisplay, ShowsEachBreakAsOneNewline) {
  EXPECT_EQ(MessageTextForDisplay(U"a.mp3\n\r\n\rFehler 2:\n\rtext\rEnde"),
            QStringLiteral("a.mp3\n\nFehler 2:\ntext\nEnde"));
}

}  // namespace
}  // namespace sonavex::test
