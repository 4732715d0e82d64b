#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <ostream>

#include "core/batch/plan.h"
#include "core/mp3/id3v1.h"
#include "gui/main_menu.h"
#include "gui/dialogs/name_from_tag_dialog.h"
#include "gui/dialogs/tag_ends_dialog.h"
#include "gui/dialogs/tag_from_name_dialog.h"
#include "gui/dialogs/tag_replace_dialog.h"
#include "gui_fixture.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {
namespace {

// Types `text` key by key, as the user does.
void Type(QWidget* field, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(field, &press);
  }
}

class TagDialogsTest : public GuiTest {
 public:
  MainWindow& StartWithSong() {
    WriteFile(music + "/ABBA - Waterloo.mp3", TwoFrames() + TagWith("Song", "Band", "Platte"));
    return StartIn(music);
  }
  // Opens the dialog `form` through the menu item `action`.
  QWidget* Open(const char* action, const char* form) {
    Action(action)->trigger();
    auto* dialog = windows.main->findChild<QWidget*>(QString::fromLatin1(form));
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible()) << form;
    return dialog;
  }
  QWidget* OpenForm9() { return Open("ID3TagausNamenerstellen1", "Form9"); }
  QWidget* OpenForm10() { return Open("DateinameausID3Tagerstellen1", "Form10"); }
  QWidget* OpenForm15() { return Open("SuchenundErsetzen2", "Form15"); }
  QWidget* OpenForm16() { return Open("AnfangEnde3", "Form16"); }
  std::string SongBytes() { return ReadFile(music + "/ABBA - Waterloo.mp3"); }
};

TEST_F(TagDialogsTest, ChoicesOfForm9AndForm10SurviveARestart) {
  StartWithSong();
  QWidget* form9 = OpenForm9();
  Child<QCheckBox>(form9, "CheckBox1")->setChecked(true);
  Child<QComboBox>(form9, "ComboBox1")->setCurrentIndex(3);
  Child<QCheckBox>(form9, "CheckBox3")->setChecked(true);
  Child<QComboBox>(form9, "ComboBox3")->setCurrentIndex(8);
  // A typed text is not stored, only that no entry is selected.
  Child<QCheckBox>(form9, "CheckBox2")->setChecked(true);
  Child<QComboBox>(form9, "ComboBox2")->setCurrentIndex(5);
  Type(Child<QComboBox>(form9, "ComboBox2")->lineEdit(), QStringLiteral("Best of"));
  Child<QCheckBox>(form9, "CheckBox2")->setChecked(false);
  Child<QPushButton>(form9, "Button2")->click();
  QWidget* form10 = OpenForm10();
  Child<QComboBox>(form10, "ComboBox1")->setCurrentIndex(2);
  // "Abbrechen" stores the choice as well.
  Child<QPushButton>(form10, "Button2")->click();
  EXPECT_FALSE(form9->isVisible());
  EXPECT_FALSE(form10->isVisible());

  Start();
  form9 = windows.main->findChild<QWidget*>(QStringLiteral("Form9"));
  form10 = windows.main->findChild<QWidget*>(QStringLiteral("Form10"));
  struct Row {
    const char* check;
    const char* combo;
    bool checked;
    int index;
    const char* shown;
  };
  const Row rows[] = {
      {"CheckBox1", "ComboBox1", true, 3, "Dateiname (Album - Interpret - Titel)"},
      {"CheckBox2", "ComboBox2", false, -1, "Auswahl"},
      {"CheckBox3", "ComboBox3", true, 8, "Verzeichnisname (zwei Ebenen höher)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.combo);
    EXPECT_EQ(Child<QCheckBox>(form9, row.check)->isChecked(), row.checked);
    auto* combo = Child<QComboBox>(form9, row.combo);
    EXPECT_EQ(combo->currentIndex(), row.index);
    EXPECT_EQ(combo->currentText(), QString::fromUtf8(row.shown));
    EXPECT_EQ(combo->isEnabled(), row.checked);
  }
  EXPECT_EQ(Child<QComboBox>(form10, "ComboBox1")->currentIndex(), 2);
  const std::string ini = ReadFile(settingsPath);
  EXPECT_NE(ini.find("[ID3Tag]"), std::string::npos);
  for (const char* line : {"TitelCheck=1", "InterpretCheck=0", "AlbumCheck=1", "TitelQuelle=3",
                           "InterpretQuelle=-1", "AlbumQuelle=8", "DateiNameQuelle=2"}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  }
  EXPECT_TRUE(reporter.messages.empty());
}

// Numbers from an edited or older settings file that name no entry select
// none; without the keys nothing is checked or selected.
TEST_F(TagDialogsTest, StoredNumbersThatNameNoEntrySelectNone) {
  WriteFile(settingsPath, "[Datei]\nVerzeichnis=" + music +
                              "\n[ID3Tag]\nTitelCheck=1\nTitelQuelle=10\nAlbumQuelle=x\n"
                              "DateiNameQuelle=5\n");
  Start();
  QWidget* form9 = windows.main->findChild<QWidget*>(QStringLiteral("Form9"));
  auto* titel = Child<QComboBox>(form9, "ComboBox1");
  EXPECT_EQ(titel->currentIndex(), -1);
  EXPECT_EQ(titel->currentText(), QStringLiteral("Auswahl"));
  EXPECT_TRUE(titel->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(form9, "CheckBox2")->isChecked());
  EXPECT_FALSE(Child<QComboBox>(form9, "ComboBox2")->isEnabled());
  EXPECT_EQ(Child<QComboBox>(form9, "ComboBox3")->currentIndex(), -1);
  QWidget* form10 = windows.main->findChild<QWidget*>(QStringLiteral("Form10"));
  auto* pattern = Child<QComboBox>(form10, "ComboBox1");
  EXPECT_EQ(pattern->currentIndex(), -1);
  EXPECT_EQ(pattern->count(), 5);
}

TEST_F(TagDialogsTest, Form9EnablesASourceExactlyWhileItsFieldIsChecked) {
  StartWithSong();
  QWidget* form9 = OpenForm9();
  auto* check = Child<QCheckBox>(form9, "CheckBox2");
  auto* source = Child<QComboBox>(form9, "ComboBox2");
  EXPECT_FALSE(source->isEnabled());
  check->click();
  EXPECT_TRUE(source->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(form9, "ComboBox1")->isEnabled());
  check->click();
  EXPECT_FALSE(source->isEnabled());
}

// Typing into a box with an entry selected makes the typed text the source;
// the text and the checks stay while the window comes and goes.
TEST_F(TagDialogsTest, Form9TypedTextIsTheSourceAndStaysBetweenOpenings) {
  StartWithSong();
  auto* form9 = static_cast<TagFromNameDialog*>(OpenForm9());
  Child<QCheckBox>(form9, "CheckBox3")->setChecked(true);
  auto* album = Child<QComboBox>(form9, "ComboBox3");
  album->setCurrentIndex(6);
  album->lineEdit()->selectAll();
  Type(album->lineEdit(), QStringLiteral("Gold"));
  form9->hide();
  OpenForm9();
  EXPECT_EQ(album->currentText(), QStringLiteral("Gold"));
  const TagFromNameParams params = form9->parameters();
  EXPECT_EQ(params.album, (TagSource{true, -1, U"Gold"}));
  // The prompt of a box with nothing chosen or typed is no source.
  EXPECT_EQ(params.titel, (TagSource{false, kNoTagSource, U""}));
  EXPECT_EQ(album->count(), 10);  // the typed text is no new entry
}

// Each start button with its fields as they stand: nothing is asked for, so
// no file changes and the window stays open.
struct NothingToDoCase {
  const char* name;
  QWidget* (TagDialogsTest::*open)();
  void (*fill)(QWidget* dialog);
  const char* button;
};

void PrintTo(const NothingToDoCase& c, std::ostream* os) { *os << c.name; }

class TagNothingToDoTest : public TagDialogsTest,
                           public ::testing::WithParamInterface<NothingToDoCase> {};

const NothingToDoCase kNothingToDo[] = {
    // Sources chosen, but no field checked.
    {"Einlesen", &TagDialogsTest::OpenForm9,
     [](QWidget* d) { Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(9); }, "Button1"},
    // A field checked, but its box still shows "Auswahl": no source.
    {"EinlesenOhneQuelle", &TagDialogsTest::OpenForm9,
     [](QWidget* d) { Child<QCheckBox>(d, "CheckBox1")->setChecked(true); }, "Button1"},
    // Replacements without a search text.
    {"Ersetzen", &TagDialogsTest::OpenForm15,
     [](QWidget* d) { SetText(d, "Edit2", "x"); SetText(d, "Edit4", "y"); SetText(d, "Edit6", "z"); },
     "Button1"},
    // "Löschen" ignores the texts of "Einfügen"; a count being typed over
    // (no number yet) is 0.
    {"Loeschen", &TagDialogsTest::OpenForm16,
     [](QWidget* d) {
       SetText(d, "Edit1", "x");
       auto* count = Child<QSpinBox>(d, "SpinEdit6");
       count->setValue(5);
       count->findChild<QLineEdit*>()->clear();
     },
     "Button1"},
    // "Einfügen" ignores the counts of "Löschen".
    {"Einfuegen", &TagDialogsTest::OpenForm16,
     [](QWidget* d) { Child<QSpinBox>(d, "SpinEdit1")->setValue(3); }, "Button2"},
};

TEST_P(TagNothingToDoTest, StartDoesNothingAndTheDialogStaysOpen) {
  StartWithSong();
  windows.main->setMarked(0, true);
  const std::string before = SongBytes();
  QWidget* dialog = (this->*GetParam().open)();
  GetParam().fill(dialog);
  Child<QPushButton>(dialog, GetParam().button)->click();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(SongBytes(), before);
  EXPECT_TRUE(windows.main->isMarked(0));
  EXPECT_TRUE(reporter.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, TagNothingToDoTest, ::testing::ValuesIn(kNothingToDo),
                         [](const auto& info) { return std::string(info.param.name); });

// Form15 and Form16 start empty each time they are opened; "Abbrechen"
// closes Form16 on Return.
TEST_F(TagDialogsTest, Form15AndForm16StartEmptyOnEveryOpening) {
  StartWithSong();
  QWidget* form15 = OpenForm15();
  SetText(form15, "Edit1", "a");
  SetText(form15, "Edit6", "b");
  QWidget* form16 = OpenForm16();
  Child<QSpinBox>(form16, "SpinEdit4")->setValue(7);
  SetText(form16, "Edit5", "c");
  EXPECT_TRUE(Child<QPushButton>(form16, "Button3")->isDefault());
  EXPECT_TRUE(Child<QPushButton>(form15, "Button1")->isDefault());
  form15->hide();
  form16->hide();
  OpenForm15();
  OpenForm16();
  for (const char* field : {"Edit1", "Edit6"}) EXPECT_TRUE(Child<QLineEdit>(form15, field)->text().isEmpty());
  EXPECT_EQ(Child<QSpinBox>(form16, "SpinEdit4")->value(), 0);
  EXPECT_TRUE(Child<QLineEdit>(form16, "Edit5")->text().isEmpty());
  EXPECT_EQ(Child<QLineEdit>(form16, "Edit5")->maxLength(), 30);
  EXPECT_EQ(Child<QSpinBox>(form16, "SpinEdit4")->maximum(), 30);
}

// The runs: each dialog's start button through the engine. Two files, the
// first one marked.
class TagRunTest : public TagDialogsTest {
 protected:
  MainWindow& StartWithTwoSongs() {
    WriteFile(music + "/ABBA - Waterloo.mp3", TwoFrames() + TagWith("the end", "Band", "Platte"));
    WriteFile(music + "/track02.MP3", TwoFrames() + TagWith("Bohemian Rhapsody", "Queen", "Opera"));
    MainWindow& window = StartIn(music);
    window.setMarked(0, true);
    return window;
  }
  std::string TagOf(const std::string& name) {
    const std::string bytes = ReadFile(music + "/" + name);
    return bytes.substr(bytes.size() - kTagSize);
  }
  void ShowGrid() {
    windows.main->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  }
  QString GridText(int row, int column) {
    return windows.main->infoGrid()->model()->index(row, column).data().toString();
  }
};

TEST_F(TagRunTest, Form10NamesTheMarkedFileAfterItsTag) {
  StartWithTwoSongs();
  windows.main->setMarked(0, false);
  windows.main->setMarked(1, true);
  QWidget* dialog = OpenForm10();
  Child<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(2);
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(Exists(music + "/Queen - Bohemian Rhapsody.mp3"));
  EXPECT_TRUE(Exists(music + "/ABBA - Waterloo.mp3"));
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 0"));
  EXPECT_NE(ReadFile(settingsPath).find("DateiNameQuelle=2"), std::string::npos);
  EXPECT_TRUE(reporter.messages.empty());
}

// Only the checked fields with a source are written, each from it; the
// unmarked file is left alone.
TEST_F(TagRunTest, Form9WritesTheCheckedFieldsOfTheMarkedFile) {
  StartWithTwoSongs();
  const std::string other = TagOf("track02.MP3");
  QWidget* dialog = OpenForm9();
  Child<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
  Child<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(1);  // Interpret - Titel
  Child<QCheckBox>(dialog, "CheckBox2")->setChecked(true);
  Child<QComboBox>(dialog, "ComboBox2")->setCurrentIndex(0);  // Interpret - Titel
  Child<QCheckBox>(dialog, "CheckBox3")->setChecked(true);     // no source: left alone
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(TagOf("ABBA - Waterloo.mp3"), TagWith("Waterloo", "ABBA", "Platte"));
  EXPECT_EQ(TagOf("track02.MP3"), other);
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 0"));
  EXPECT_TRUE(reporter.messages.empty());
}

// 'W' works on every file whatever is marked, and the grid shows the new
// titles at once.
TEST_F(TagRunTest, Form15ReplacesInEveryFileAndRefillsTheGrid) {
  StartWithTwoSongs();
  ShowGrid();
  QWidget* dialog = OpenForm15();
  SetText(dialog, "Edit1", "THE");
  SetText(dialog, "Edit2", "The");
  SetText(dialog, "Edit5", "a");
  SetText(dialog, "Edit6", "A");
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(TagOf("ABBA - Waterloo.mp3"), TagWith("The end", "Band", "PlAtte"));
  EXPECT_EQ(TagOf("track02.MP3"), TagWith("Bohemian Rhapsody", "Queen", "OperA"));
  EXPECT_EQ(GridText(0, 1), QStringLiteral("The end"));
  EXPECT_EQ(GridText(1, 3), QStringLiteral("OperA"));
  EXPECT_TRUE(reporter.messages.empty());
  // The names did not change: the list and its marks stay.
  EXPECT_TRUE(windows.main->isMarked(0));
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 1"));
}

// 'B' then 'A' over every file: the text added at the end is deleted again.
TEST_F(TagRunTest, Form16AddsAndDeletesInEveryFileAndRefillsTheGrid) {
  StartWithTwoSongs();
  ShowGrid();
  QWidget* dialog = OpenForm16();
  SetText(dialog, "Edit6", " (Live)");
  Child<QPushButton>(dialog, "Button2")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(TagOf("ABBA - Waterloo.mp3"), TagWith("the end", "Band", "Platte (Live)"));
  EXPECT_EQ(TagOf("track02.MP3"), TagWith("Bohemian Rhapsody", "Queen", "Opera (Live)"));
  EXPECT_EQ(GridText(1, 3), QStringLiteral("Opera (Live)"));

  OpenForm16();
  Child<QSpinBox>(dialog, "SpinEdit6")->setValue(7);
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(TagOf("ABBA - Waterloo.mp3"), TagWith("the end", "Band", "Platte"));
  EXPECT_EQ(TagOf("track02.MP3"), TagWith("Bohemian Rhapsody", "Queen", "Opera"));
  EXPECT_EQ(GridText(1, 3), QStringLiteral("Opera"));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_TRUE(windows.main->isMarked(0));
  EXPECT_EQ(Panel(1), QStringLiteral("2 : 1"));
}

// Cancelled in the preview: nothing changes and the dialog stays for
// another try.
TEST_F(TagRunTest, CancelInThePreviewKeepsForm15Open) {
  MainWindow& window = StartWithTwoSongs();
  window.menu().vorschau->setChecked(true);
  int asked = 0;
  window.setPlanConfirmation([&asked](const Plan&) {
    ++asked;
    return false;
  });
  const std::string before = TagOf("ABBA - Waterloo.mp3");
  QWidget* dialog = OpenForm15();
  SetText(dialog, "Edit1", "end");
  Child<QPushButton>(dialog, "Button1")->click();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(TagOf("ABBA - Waterloo.mp3"), before);
}

}  // namespace
}  // namespace sonavex::test
