#include <QAbstractItemView>
#include <QComboBox>
#include <QFontInfo>
#include <QMenu>
#include <QMessageBox>
#include <vector>

#include "gui/program_font.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

using ProgramFontTest = GuiTest;

// Drop-down and context menus, the drive list and message boxes are windows
// of their own; they show the program's font as the main window does.
TEST_F(ProgramFontTest, WindowsOfTheirOwnShowTheProgramFont) {
  MainWindow& window = Start();
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warnung"), QStringLiteral("x"),
                  QMessageBox::Ok, &window);
  QWidget* driveList = window.findChild<QComboBox*>(QStringLiteral("DriveComboBox1"))->view();
  std::vector<QWidget*> widgets = {&window, &box, driveList};
  const QList<QMenu*> menus = window.findChildren<QMenu*>();
  ASSERT_GE(menus.size(), 7);  // four drop-down menus and the grid's and list's context menus at least
  widgets.insert(widgets.end(), menus.begin(), menus.end());
  const QString family = QFontInfo(ProgramFont()).family();
  for (QWidget* widget : widgets) {
    EXPECT_EQ(QFontInfo(widget->font()).family().toStdString(), family.toStdString()) << widget->metaObject()->className();
    EXPECT_EQ(widget->font().pointSize(), 8) << widget->metaObject()->className();
  }
}

}  // namespace
}  // namespace sonavex::test
