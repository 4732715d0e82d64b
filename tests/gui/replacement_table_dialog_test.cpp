#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <utility>

#include "core/text/encoding.h"
#include "gui/dialogs/replacement_table_dialog.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

class ReplacementTableDialogTest : public GuiTest {
 protected:
  QDialog& Dialog() { return *windows.replacementTable; }
  QLineEdit* Field(int number) {
    return Dialog().findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(number));
  }
  QPushButton* Button(const char* name) {
    return Dialog().findChild<QPushButton*>(QString::fromLatin1(name));
  }
  void Open() { Action("Zeichenersetzen1")->trigger(); }
  // Caption of the window, of the switch button, the menu mark and panel 0.
  void ExpectSwitch(bool on) {
    EXPECT_EQ(Dialog().windowTitle(), on ? QStringLiteral("Zeichen ersetzen (z.Z. aktiv)")
                                         : QStringLiteral("Zeichen ersetzen (z.Z. nicht aktiv)"));
    EXPECT_EQ(Button("Button2")->text(),
              on ? QStringLiteral("Deaktivieren") : QStringLiteral("Aktivieren"));
    EXPECT_EQ(Action("Zeichenersetzen1")->isChecked(), on);
    EXPECT_EQ(Panel(0), on ? QStringLiteral("Z") : QString());
    EXPECT_EQ(windows.main->replacementActive(), on);
  }
};

TEST_F(ReplacementTableDialogTest, SwitchCaptionsFollowTheStateEverywhere) {
  StartIn(music);
  ExpectSwitch(false);
  Open();
  Button("Button2")->click();
  ExpectSwitch(true);
  Button("Button2")->click();
  ExpectSwitch(false);
  // A stored switch is in force from the start, before the dialog opens.
  WriteFile(settingsPath, "[Ersetzen]\nFlag=1\n");
  Start();
  ExpectSwitch(true);
}

// "Abbrechen", Escape and the window manager's close all cancel.
TEST_F(ReplacementTableDialogTest, EveryWayOfCancellingDiscardsSwitchAndEdits) {
  const std::pair<const char*, std::function<void(QDialog&)>> ways[] = {
      {"Abbrechen",
       [this](QDialog&) { Button("Button4")->click(); }},
      {"Escape",
       [this](QDialog&) {
         QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
         QApplication::sendEvent(Field(1), &escape);
       }},
      {"close", [](QDialog& dialog) { dialog.close(); }},
  };
  StartIn(music);
  for (const auto& [name, leave] : ways) {
    SCOPED_TRACE(name);
    Open();
    Field(1)->setText(QStringLiteral("a"));
    Button("Button2")->click();
    ExpectSwitch(true);
    leave(Dialog());
    EXPECT_FALSE(Dialog().isVisible());
    ExpectSwitch(false);
    EXPECT_EQ(Field(1)->text(), QString());
  }
}

TEST_F(ReplacementTableDialogTest, PairsWithEdgeBlanksSurviveStoringAndRestart) {
  StartIn(music);
  Open();
  Field(1)->setText(QStringLiteral("_"));
  Field(2)->setText(QStringLiteral(" "));
  Field(3)->setText(QStringLiteral(" -"));
  Field(4)->setText(QStringLiteral("- "));
  Button("Button2")->click();
  Button("Button1")->click();
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(reporter.messages.empty());
  Start();
  ExpectSwitch(true);
  EXPECT_EQ(Field(1)->text(), QStringLiteral("_"));
  EXPECT_EQ(Field(2)->text(), QStringLiteral(" "));
  EXPECT_EQ(Field(3)->text(), QStringLiteral(" -"));
  EXPECT_EQ(Field(4)->text(), QStringLiteral("- "));
  EXPECT_EQ(Field(5)->text(), QString());
}

TEST_F(ReplacementTableDialogTest, RunNowWithTheSwitchOffLeavesItOff) {
  Touch("a_b.mp3");
  Touch("c_d.mp3");
  StartIn(music);
  Open();
  Field(1)->setText(QStringLiteral("_"));
  Field(2)->setText(QStringLiteral(" "));
  Button("Button3")->click();
  EXPECT_TRUE(Exists(music + "/a b.mp3"));
  EXPECT_TRUE(Exists(music + "/c d.mp3"));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_TRUE(Dialog().isVisible());
  ExpectSwitch(false);
}

// The main window's operations use the pairs as typed, stored or not; the
// next opening shows the stored table again.
TEST_F(ReplacementTableDialogTest, OperationsUseTheFieldsAsTheyStand) {
  Touch("banana.mp3");
  StartIn(music);
  Open();
  Field(1)->setText(QStringLiteral("a"));
  Field(2)->setText(QStringLiteral("o"));
  Button("Button2")->click();
  Action("Grobuchstaben1")->trigger();
  EXPECT_TRUE(Exists(music + "/Bonono.mp3"));
  Dialog().hide();
  Open();
  EXPECT_EQ(Field(1)->text(), QString());
  ExpectSwitch(false);
}

// Coming back from another window of the program shows the stored table;
// a context menu of one of its own fields is no other window.
TEST_F(ReplacementTableDialogTest, ComingBackFromTheMainWindowButNotFromAMenuReloads) {
  StartIn(music);
  windows.main->show();
  Open();
  QApplication::processEvents();
  Field(1)->setText(QStringLiteral("typed"));
  QMenu menu(Field(1));
  menu.addAction(QStringLiteral("Einfügen"));
  QTimer::singleShot(0, &menu, &QMenu::close);
  menu.exec(Field(1)->mapToGlobal(QPoint(0, 0)));
  Dialog().activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(Field(1)->text(), QStringLiteral("typed"));
  windows.main->activateWindow();
  QApplication::processEvents();
  Dialog().activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(Field(1)->text(), QString());
}

TEST_F(ReplacementTableDialogTest, FailedStoreIsReportedAndKeepsTheDialogOpen) {
  WriteFile(temp / "datei", "");
  settingsPath = temp / "datei/mp3sonavex.INI";
  Start();
  reporter.messages.clear();
  Open();
  Field(1)->setText(QStringLiteral("x"));
  Button("Button1")->click();
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(reporter.messages[0].text,
            U"Kann nicht nach " + U32(settingsPath) + U" schreiben");
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_EQ(Field(1)->text(), QStringLiteral("x"));
}

}  // namespace
}  // namespace sonavex::test
