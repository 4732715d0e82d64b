#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <ostream>

#include "gui/dialogs/name_edit_dialog.h"
#include "gui/dialogs/swap_dialog.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

using NameEditDialogsTest = GuiTest;

TEST_F(NameEditDialogsTest, SwapDescribesWhatItWillDo) {
  Touch("a.mp3");
  StartIn(music);
  Action("Tauschen1")->trigger();
  QWidget* dialog = windows.main->findChild<QWidget*>(QStringLiteral("Form8"));
  ASSERT_TRUE(dialog != nullptr && dialog->isVisible());
  struct Row {
    int a, b;
    const char* description;
    const char* caption;
    bool enabled;
  };
  const Row rows[] = {
      {2, 0, "String 2 wird gelöscht.", "Löschen", true},
      {0, 3, "String 3 wird an den Anfang verschoben.", "Verschieben", true},
      {1, 2, "String 1 wird mit String 2 getauscht.", "Tauschen", true},
      {0, 0, "Keine Veränderung.", "Inaktiv", false},
  };
  for (const Row& row : rows) {
    Child<QSpinBox>(dialog, "SpinEdit1")->setValue(row.a);
    Child<QSpinBox>(dialog, "SpinEdit2")->setValue(row.b);
    SCOPED_TRACE(row.description);
    EXPECT_EQ(Child<QLabel>(dialog, "Label3")->text(), QString::fromUtf8(row.description));
    auto* start = Child<QPushButton>(dialog, "Button1");
    EXPECT_EQ(start->text(), QString::fromUtf8(row.caption));
    EXPECT_EQ(start->isEnabled(), row.enabled);
  }
  // Opening again starts from (0, 0).
  Child<QSpinBox>(dialog, "SpinEdit1")->setValue(4);
  dialog->hide();
  Action("Tauschen2")->trigger();
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_EQ(Child<QSpinBox>(dialog, "SpinEdit1")->value(), 0);
  EXPECT_EQ(Child<QLabel>(dialog, "Label3")->text(), QStringLiteral("Keine Veränderung."));
}

// One "Zeichen" stands beside both count rows, not one per row.
TEST_F(NameEditDialogsTest, DeleteEndsHasOneCharacterLabelForBothRows) {
  Touch("a.mp3");
  StartIn(music);
  Action("Lschen1")->trigger();
  QWidget* dialog = windows.main->findChild<QWidget*>(QStringLiteral("Form3"));
  ASSERT_TRUE(dialog != nullptr && dialog->isVisible());
  QList<QLabel*> zeichen;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->text() == QStringLiteral("Zeichen")) zeichen.append(label);
  }
  ASSERT_EQ(zeichen.size(), 1);
  const QRect first = Child<QSpinBox>(dialog, "SpinEdit1")->geometry();
  const QRect last = Child<QSpinBox>(dialog, "SpinEdit2")->geometry();
  const QRect label = zeichen[0]->geometry();
  EXPECT_GT(label.left(), first.right());
  EXPECT_GT(label.center().y(), first.center().y());
  EXPECT_LT(label.center().y(), last.center().y());
}

// Each dialog's fields for one piece of work, and the file it turns into
// what. The unmarked file shows that only the marked entry is touched.
struct DialogCase {
  const char* action;
  const char* form;
  void (*fill)(QWidget* dialog);
  const char* before;
  const char* after;
};

void PrintTo(const DialogCase& c, std::ostream* os) {
  *os << c.before << " -> " << c.after;
}

void SetValue(QWidget* dialog, const char* field, int value) {
  Child<QSpinBox>(dialog, field)->setValue(value);
}

const DialogCase kDialogCases[] = {
    {"Lschen1", "Form3", [](QWidget* d) { SetValue(d, "SpinEdit1", 2); },
     "01 Song.mp3", "Song.mp3"},
    {"Einfgen2", "Form4", [](QWidget* d) { SetText(d, "Edit1", "01 "); },
     "Song.mp3", "01 Song.mp3"},
    {"Dateiname1", "Form6",
     [](QWidget* d) { SetText(d, "Edit1", "THE"); SetText(d, "Edit2", "The"); },
     "the best of the rest.mp3", "The best of The rest.mp3"},
    {"Dateityp2", "Form7",
     [](QWidget* d) { SetText(d, "Edit1", "mp3"); SetText(d, "Edit2", "MP3"); },
     "a.mp3", "a.MP3"},
    {"Tauschen1", "Form8",
     [](QWidget* d) { SetValue(d, "SpinEdit1", 1); SetValue(d, "SpinEdit2", 2); },
     "Title - Artist.mp3", "Artist - Title.mp3"},
};

class DialogStartTest : public GuiTest,
                        public ::testing::WithParamInterface<DialogCase> {
 protected:
  QWidget* Open() {
    Touch(GetParam().before);
    Touch("zz - other.mp3");
    MainWindow& window = StartIn(music);
    window.setMarked(0, true);
    Action(GetParam().action)->trigger();
    auto* dialog = window.findChild<QWidget*>(QString::fromLatin1(GetParam().form));
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible());
    return dialog;
  }
};

TEST_P(DialogStartTest, StartRenamesTheMarkedFile) {
  QWidget* dialog = Open();
  GetParam().fill(dialog);
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_TRUE(Exists(music + "/" + GetParam().after));
  EXPECT_FALSE(Exists(music + "/" + GetParam().before));
  EXPECT_TRUE(Exists(music + "/zz - other.mp3"));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 0"));
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogStartTest, ::testing::ValuesIn(kDialogCases),
                         [](const auto& info) { return std::string(info.param.form); });

}  // namespace
}  // namespace sonavex::test
