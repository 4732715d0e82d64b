#include <QLineEdit>
#include <QPushButton>

#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/text/encoding.h"
#include "gui/dialogs/rename_dialog.h"
#include "gui_fixture.h"
#include "support/fuse_mount.h"

namespace sonavex::test {
namespace {

class RenameDialogTest : public GuiTest {
 protected:
  QLineEdit* Field(const char* name) {
    return windows.rename->findChild<QLineEdit*>(QString::fromLatin1(name));
  }
  void Press(const char* button) {
    windows.rename->findChild<QPushButton*>(QString::fromLatin1(button))->click();
  }
};

TEST_F(RenameDialogTest, PassVisitsEachMarkedEntryInListOrder) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  for (int index : {0, 2, 3}) window.setMarked(index, true);
  Action("Umbenennen2")->trigger();
  ASSERT_TRUE(windows.rename->isVisible());
  EXPECT_EQ(Field("Edit1")->text(), QStringLiteral("a.mp3"));
  EXPECT_EQ(Field("Edit2")->text(), QStringLiteral("a.mp3"));

  Field("Edit2")->setText(QStringLiteral("x.mp3"));
  Press("Button1");
  EXPECT_TRUE(Exists(music + "/x.mp3"));
  EXPECT_FALSE(Exists(music + "/a.mp3"));
  // The renamed entry shows its new name at once, in its place.
  EXPECT_EQ(window.entryName(0), "x.mp3");
  ASSERT_TRUE(windows.rename->isVisible());
  EXPECT_EQ(Field("Edit1")->text(), QStringLiteral("c.mp3"));

  Press("Button1");  // unchanged: nothing happens, the entry is done
  EXPECT_TRUE(Exists(music + "/c.mp3"));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Field("Edit1")->text(), QStringLiteral("d.mp3"));

  Field("Edit2")->setText(QStringLiteral("b.mp3"));
  Press("Button1");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].text,
            U32(music) + U"/d.mp3\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!");
  EXPECT_EQ(ReadFile(music + "/b.mp3"), "x");
  EXPECT_TRUE(Exists(music + "/d.mp3"));

  EXPECT_FALSE(windows.rename->isVisible());
  ASSERT_EQ(window.entryCount(), 4);
  EXPECT_EQ(window.entryName(3), "x.mp3");
  EXPECT_EQ(Panel(1), QStringLiteral("4 : 0"));
}

TEST_F(RenameDialogTest, CancelKeepsTheRemainingMarks) {
  for (const char* name : {"a.mp3", "b.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  window.setMarked(0, true);
  window.setMarked(1, true);
  Action("Umbenennen1")->trigger();
  Press("Button1");
  Press("Button2");
  EXPECT_FALSE(windows.rename->isVisible());
  EXPECT_FALSE(window.isMarked(0));
  EXPECT_TRUE(window.isMarked(1));
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 1"));
  // Left the only marked entry, but nobody clicked it: no tag was added.
  EXPECT_EQ(ReadFile(music + "/b.mp3"), "x");
}

// Broken off after the first rename: the list shows the file by its new
// name in its old place, the others keep their marks, and the renamed
// entry can be used at once.
TEST_F(RenameDialogTest, CancelPartWayShowsTheNewNameInPlace) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  for (int index : {0, 1, 2}) window.setMarked(index, true);
  Action("Umbenennen1")->trigger();
  Field("Edit2")->setText(QStringLiteral("z.mp3"));
  Press("Button1");
  Press("Button2");
  ASSERT_TRUE(Exists(music + "/z.mp3"));
  EXPECT_EQ(window.entryName(0), "z.mp3");
  EXPECT_EQ(window.entryText(0), QStringLiteral("z.mp3"));
  EXPECT_EQ(window.markedNames(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
  window.MarkNone();
  window.setMarked(0, true);  // loads the file for the status bar
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(Panel(1), QStringLiteral("3 : 1"));
}

// On a FAT stick the new spelling of a name finds the file itself: the
// rename goes through, while another file's other spelling is refused.
// (The files carry their tag: fusefat cannot make a written file longer.)
TEST_F(RenameDialogTest, CaseOnlyRenameOnAFatVolume) {
  std::string why;
  const std::unique_ptr<FuseMount> fat = FuseMount::Create(FuseKind::Fat, why);
  if (!fat) GTEST_SKIP() << "FAT volume: " << why;
  WriteFile(*fat / "song.mp3", "1" + EmptyTag());
  WriteFile(*fat / "zz.mp3", "2" + EmptyTag());
  MainWindow& window = StartIn(fat->path());
  window.setMarked(0, true);
  window.setMarked(1, true);
  Action("Umbenennen1")->trigger();
  Field("Edit2")->setText(QStringLiteral("SONG.mp3"));
  Press("Button1");
  Field("Edit2")->setText(QStringLiteral("Song.MP3"));
  Press("Button1");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            U32(fat->path()) +
                U"/zz.mp3\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!");
  std::error_code ec;
  EXPECT_EQ(ListNames(fat->path(), ec), (std::vector<std::string>{"SONG.mp3", "zz.mp3"}));
  EXPECT_EQ(ReadFile(*fat / "SONG.mp3"), "1" + EmptyTag());
  EXPECT_EQ(ReadFile(*fat / "zz.mp3"), "2" + EmptyTag());
}

TEST_F(RenameDialogTest, OldNameOutsideTheShownDirectoryIsRefused) {
  Touch("a.mp3");
  WriteFile(home + "/fremd.mp3", "x");
  MainWindow& window = StartIn(music);
  window.setMarked(0, true);
  Action("Umbenennen1")->trigger();
  Field("Edit1")->setText(QStringLiteral("../fremd.mp3"));
  Field("Edit2")->setText(QStringLiteral("geholt.mp3"));
  Press("Button1");
  EXPECT_TRUE(Exists(home + "/fremd.mp3"));
  EXPECT_FALSE(Exists(music + "/geholt.mp3"));
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            U"../fremd.mp3\n\r\n\rUngültige(s) Zeichen im Dateinamen!");
}

// A name that is not UTF-8 keeps its byte when only the extension is edited.
TEST_F(RenameDialogTest, ByteThatIsNotUtf8SurvivesTheEditField) {
  Touch("caf\xE9.mp3");
  MainWindow& window = StartIn(music, "*");
  window.setMarked(0, true);
  Action("Umbenennen1")->trigger();
  QString name = Field("Edit2")->text();
  ASSERT_TRUE(name.endsWith(QStringLiteral(".mp3")));
  name.replace(name.size() - 3, 3, QStringLiteral("ogg"));
  Field("Edit2")->setText(name);
  Press("Button1");
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_TRUE(Exists(music + "/caf\xE9.ogg"));
  EXPECT_FALSE(Exists(music + "/caf\xE9.mp3"));
}

// The pass shows the window again where the user left it; the buttons stand
// below the fields, "Umbenennen" above "Abbrechen".
TEST_F(RenameDialogTest, NextEntryKeepsTheMovedWindowAndButtonsStackBelow) {
  for (const char* name : {"a.mp3", "b.mp3"}) Touch(name);
  MainWindow& window = StartIn(music);
  window.setMarked(0, true);
  window.setMarked(1, true);
  Action("Umbenennen1")->trigger();
  QDialog& dialog = *windows.rename;
  const QRect edit2 = Field("Edit2")->geometry();
  const QRect rename = dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->geometry();
  const QRect cancel = dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->geometry();
  EXPECT_GT(rename.top(), edit2.bottom());
  EXPECT_GT(cancel.top(), rename.bottom());

  const QPoint moved = dialog.pos() + QPoint(137, 71);
  dialog.move(moved);
  Press("Button1");
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_EQ(Field("Edit1")->text(), QStringLiteral("b.mp3"));
  EXPECT_EQ(dialog.pos(), moved);
}

TEST_F(RenameDialogTest, CommandWithoutMarksDoesNothing) {
  Touch("a.mp3");
  StartIn(music);
  Action("Umbenennen1")->trigger();  // disabled, and the command checks too
  windows.main->ShowCentred(nullptr);
  EXPECT_FALSE(windows.rename->isVisible());
}

}  // namespace
}  // namespace sonavex::test
