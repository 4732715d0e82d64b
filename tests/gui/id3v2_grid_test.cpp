// The ID3v2 tag in the window: the grid's marks where it disagrees with
// the ID3v1 tag, the status bar's count, "ID3v2 mitführen" and the syncs
// in the menus.
#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "gui/main_window.h"
#include "gui_fixture.h"
#include "support/id3v2_fixtures.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {
namespace {

// A version 2.3 tag with room to spare holding title and artist.
std::string V2(const std::string& title, const std::string& artist) {
  return Tag(3, Frame(3, "TIT2", Text(0, title)) + Frame(3, "TPE1", Text(0, artist)), 256);
}

std::u32string Id3v2TextOf(const std::string& path, Id3v2Field field = Id3v2Field::Titel) {
  const std::string bytes = ReadFile(path);
  const auto length = static_cast<std::size_t>(Id3v2Length(bytes));
  return ReadId3v2(std::string_view(bytes).substr(0, length)).Text(field);
}

class Id3v2GridTest : public GuiTest {
 protected:
  // a.mp3: the titles disagree, the artists agree; b.mp3: ID3v2 alone;
  // c.mp3: ID3v1 holds the cut form of a long ID3v2 title; d.mp3: no
  // ID3v2 tag. Untagged files stay untagged.
  MainWindow& StartWithFourFiles(const std::string& options = "") {
    WriteFile(music + "/a.mp3", V2("Anderer Titel", "Band") + TwoFrames() +
                                    TagWith("Song", "Band", "Platte"));
    WriteFile(music + "/b.mp3", V2("Nur v2", "Solo") + TwoFrames());
    WriteFile(music + "/c.mp3",
              V2("Ein sehr langer Titel von mehr als dreissig Zeichen", "Band") + TwoFrames() +
                  TagWith("Ein sehr langer Titel von m...", "Band", ""));
    WriteFile(music + "/d.mp3", TwoFrames() + TagWith("Song", "Band", ""));
    WriteFile(settingsPath, "[Datei]\nTyp=*.mp3\nVerzeichnis=" + music +
                                "\n[Optionen]\nTagBeimLesen=0\n" + options);
    MainWindow& window = Start();
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    return window;
  }
  QModelIndex Cell(int row, int column) { return Grid()->model()->index(row, column); }
  QTableView* Grid() { return windows.main->infoGrid(); }
  QVariant Data(int row, int column, int role) { return Cell(row, column).data(role); }

  void Type(int row, int column, const QString& text) {
    Grid()->setCurrentIndex(Cell(row, column));
    Grid()->edit(Cell(row, column));
    // The editor of an earlier edit may still wait for its deletion.
    const QList<QLineEdit*> editors = Grid()->viewport()->findChildren<QLineEdit*>();
    ASSERT_FALSE(editors.isEmpty());
    QLineEdit* editor = editors.last();
    editor->selectAll();
    for (const QChar c : text) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(editor, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
  }
};

TEST_F(Id3v2GridTest, DisagreeingCellsAreTintedWithTheId3v2TextAndCounted) {
  StartWithFourFiles();
  // a: only the title disagrees.
  EXPECT_TRUE(Data(0, 1, Qt::BackgroundRole).value<QColor>().isValid());
  EXPECT_EQ(Data(0, 1, Qt::ToolTipRole).toString(), QStringLiteral("ID3v2: Anderer Titel"));
  EXPECT_EQ(Data(0, 1, Qt::DisplayRole).toString(), QStringLiteral("Song"));
  EXPECT_FALSE(Data(0, 2, Qt::BackgroundRole).isValid());
  EXPECT_FALSE(Data(0, 2, Qt::ToolTipRole).isValid());
  // b: its ID3v2 texts in their own colour, no tint.
  EXPECT_EQ(Data(1, 1, Qt::DisplayRole).toString(), QStringLiteral("Nur v2"));
  EXPECT_EQ(Data(1, 2, Qt::DisplayRole).toString(), QStringLiteral("Solo"));
  EXPECT_TRUE(Data(1, 1, Qt::ForegroundRole).value<QColor>().isValid());
  EXPECT_FALSE(Data(1, 1, Qt::BackgroundRole).isValid());
  // c: the cut form agrees; d: nothing to compare.
  for (const int row : {2, 3}) {
    for (const int column : {1, 2, 3}) {
      EXPECT_FALSE(Data(row, column, Qt::BackgroundRole).isValid()) << row << "," << column;
      EXPECT_FALSE(Data(row, column, Qt::ForegroundRole).isValid()) << row << "," << column;
    }
  }
  // a disagrees, and b, whose ID3v1 tag is missing.
  EXPECT_EQ(windows.main->gridStatusText(), QStringLiteral("ID3v1 und ID3v2 weichen ab: 2 von 3 Dateien mit ID3v2-Tag"));
  EXPECT_TRUE(reporter.messages.empty());
}

// On by default: a typed title goes into both tags and the tint goes; off
// (stored), the ID3v2 tag is left as it is and the cell stays tinted.
TEST_F(Id3v2GridTest, TheOptionIsStoredAndDecidesWhetherTheGridEditFollows) {
  StartWithFourFiles();
  QAction* option = Action("ID3v2mitfhren1");
  ASSERT_NE(option, nullptr);
  EXPECT_TRUE(option->isChecked());
  EXPECT_EQ(option->text(), QStringLiteral("&ID3v2 mitführen"));
  Type(0, 1, QStringLiteral("Neu"));
  EXPECT_EQ(Id3v2TextOf(music + "/a.mp3"), U"Neu");
  EXPECT_FALSE(Data(0, 1, Qt::BackgroundRole).isValid());

  option->trigger();
  EXPECT_EQ(IniFile(settingsPath).ReadString(U"Optionen", U"ID3v2", U""), U"0");
  Type(0, 2, QStringLiteral("Andere"));
  EXPECT_EQ(Id3v2TextOf(music + "/a.mp3", Id3v2Field::Interpret), U"Band");
  EXPECT_EQ(Data(0, 2, Qt::DisplayRole).toString(), QStringLiteral("Andere"));
  EXPECT_EQ(Data(0, 2, Qt::ToolTipRole).toString(), QStringLiteral("ID3v2: Band"));
  EXPECT_TRUE(reporter.messages.empty());

  windows.main.reset();
  StartWithFourFiles("ID3v2=0\n");
  EXPECT_FALSE(Action("ID3v2mitfhren1")->isChecked());
}

// The syncs sit in the menu "ID3" and run as every batch: "ID3v2 → ID3v1"
// gives b.mp3 its ID3v1 tag.
TEST_F(Id3v2GridTest, TheSyncsRunFromTheId3Menu) {
  MainWindow& window = StartWithFourFiles();
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
  QAction* toV1 = Action("ID3v2ID3v11");
  QAction* toV2 = Action("ID3v1ID3v21");
  ASSERT_NE(toV1, nullptr);
  ASSERT_NE(toV2, nullptr);
  EXPECT_EQ(toV1->text(), QStringLiteral("ID3v2 → ID3v1"));
  EXPECT_EQ(toV2->text(), QStringLiteral("ID3v1 → ID3v2"));
  ASSERT_TRUE(toV1->isEnabled());
  toV1->trigger();
  const std::string b = ReadFile(music + "/b.mp3");
  EXPECT_EQ(b.substr(b.size() - kTagSize, 9), "TAGNur v2");
  toV2->trigger();
  EXPECT_EQ(Id3v2TextOf(music + "/d.mp3"), U"Song");
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
}  // namespace sonavex::test
