#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <cstdio>

#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "gui/dialogs/progress_window.h"
#include "gui/info_grid.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

// Two MPEG-1 Layer III frames, 128 kbit/s, 44100 Hz, joint stereo.
std::string Frames() {
  std::string frame("\xFF\xFB\x90\x44", 4);
  frame.resize(417, '\x55');
  return frame + frame;
}

std::string Field(const std::string& text) { return text + std::string(30 - text.size(), ' '); }

std::string Tag(const std::string& title, const std::string& artist, const std::string& album) {
  return "TAG" + Field(title) + Field(artist) + Field(album) + std::string(35, ' ');
}

class InfoGridTest : public GuiTest {
 protected:
  // a.mp3 (tagged), b.MP3 (untagged) and c.txt under "*.*".
  MainWindow& StartWithThreeFiles() {
    WriteFile(music + "/a.mp3", Frames() + Tag("Song", "Band", "Platte"));
    WriteFile(music + "/b.MP3", Frames());
    WriteFile(music + "/c.txt", "text");
    return StartIn(music, "*.*");
  }
  QTabWidget* Pages() { return windows.main->findChild<QTabWidget*>(QStringLiteral("PageControl1")); }
  QTableWidget* Grid() { return windows.main->infoGrid(); }
  QString Text(int row, int column) { return Grid()->item(row, column)->text(); }
  std::string TagBytes(const std::string& name) {
    const std::string bytes = ReadFile(music + "/" + name);
    return bytes.substr(bytes.size() - kTagSize);
  }
};

TEST_F(InfoGridTest, ShowingThePageFillsOneRowPerEntryAndTagsUntaggedFiles) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  ASSERT_EQ(Grid()->rowCount(), 3);
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
  auto* progress = windows.main->findChild<ProgressWindow*>(QStringLiteral("Form2"));
  EXPECT_TRUE(progress->isHidden());
  EXPECT_EQ(progress->progressBar()->maximum(), 3);
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
  auto* fixed = Grid()->findChild<QTableView*>(QStringLiteral("FixedColumn"));
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
  EXPECT_EQ(Grid()->selectedItems().size(), 6);
}

TEST_F(InfoGridTest, EveryKeystrokeInATagCellIsWrittenAndTheCellKeepsTheTypedText) {
  StartWithThreeFiles();
  Pages()->setCurrentIndex(1);
  Grid()->setCurrentCell(1, 3);
  Grid()->editItem(Grid()->item(1, 3));
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

TEST_F(InfoGridTest, TypingIntoASelectedTagCellWritesFromTheFirstKey) {
  StartWithThreeFiles().show();
  Pages()->setCurrentIndex(1);
  Grid()->setFocus();
  Grid()->setCurrentCell(0, 1);
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
  EXPECT_EQ(Grid()->rowCount(), 3);
}

TEST_F(InfoGridTest, AFileThatCannotBeReadStopsTheFillingWithItsPath) {
  StartWithThreeFiles();
  std::remove((music + "/b.MP3").c_str());
  Pages()->setCurrentIndex(1);
  EXPECT_EQ(Grid()->rowCount(), 1);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_NE(reporter.messages[0].text.find(U32(music + "/b.MP3")), std::u32string::npos);
  EXPECT_TRUE(windows.main->findChild<ProgressWindow*>(QStringLiteral("Form2"))->isHidden());
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
