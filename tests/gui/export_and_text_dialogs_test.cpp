#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <vector>

#include "core/batch/plan.h"
#include "core/mp3/id3v1.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "gui/dialogs/export_dialog.h"
#include "gui/dialogs/text_replace_dialog.h"
#include "gui/main_menu.h"
#include "gui/qt_text.h"
#include "gui_fixture.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {
namespace {

class ExportAndTextDialogsTest : public GuiTest {
 public:
  void StartWithFile() {
    Touch("a.mp3");
    StartIn(music);
  }
  QWidget* Open(const char* action, const char* form) {
    Action(action)->trigger();
    auto* dialog = windows.main->findChild<QWidget*>(QString::fromLatin1(form));
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible()) << form;
    return dialog;
  }
  QWidget* OpenForm11() {
    QWidget* form11 = Open("Exportieren1", "Form11");
    windows.exportList->setChooser([this](QWidget*, const SaveFileRequest& request) {
      requests.push_back(request);
      return chosen;
    });
    windows.exportList->setStart([this](const ExportDialog::Choice& choice) {
      runs.push_back(choice);
      return startSucceeds;
    });
    return form11;
  }
  void Press(QWidget* dialog, const char* button) {
    Child<QPushButton>(dialog, button)->click();
  }
  std::u32string Stored(const char32_t* key) {
    return IniFile(settingsPath).ReadString(U"Export", key, U"missing");
  }

  std::optional<QString> chosen;
  bool startSucceeds = true;
  std::vector<SaveFileRequest> requests;
  std::vector<ExportDialog::Choice> runs;
};

// "Interpret" and "Album" swap their keys, in both directions.
TEST_F(ExportAndTextDialogsTest, ExportChoicesAreStoredOnCloseAndComeBack) {
  StartWithFile();
  QWidget* form11 = OpenForm11();
  Child<QCheckBox>(form11, "CheckBox6")->setChecked(true);  // "Interpret"
  Child<QRadioButton>(form11, "RadioButton2")->setChecked(true);
  Press(form11, "Button2");
  EXPECT_FALSE(form11->isVisible());
  EXPECT_EQ(Stored(U"Album"), U"1");
  EXPECT_EQ(Stored(U"Interpret"), U"0");
  EXPECT_EQ(Stored(U"Dateiname"), U"0");
  EXPECT_EQ(Stored(U"Dauer"), U"0");
  EXPECT_EQ(Stored(U"Trennzeichen"), U"0");
  EXPECT_EQ(Stored(U"Verzeichnis"), U"");

  Start();
  form11 = OpenForm11();
  EXPECT_EQ(Child<QCheckBox>(form11, "CheckBox6")->text(), QStringLiteral("Interpret"));
  EXPECT_TRUE(Child<QCheckBox>(form11, "CheckBox6")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(form11, "CheckBox7")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(form11, "RadioButton2")->isChecked());
}

TEST_F(ExportAndTextDialogsTest, ExportDefaultsToTabWithNothingTicked) {
  StartWithFile();
  QWidget* form11 = OpenForm11();
  EXPECT_TRUE(Child<QRadioButton>(form11, "RadioButton1")->isChecked());
  EXPECT_EQ(windows.exportList->checkedColumns(), (ExportDialog::Columns{}));
  // Nothing ticked: not even the save dialog comes.
  Press(form11, "Button1");
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(form11->isVisible());
}

TEST_F(ExportAndTextDialogsTest, CancelledSaveDialogDoesNothing) {
  WriteFile(settingsPath, "[Datei]\nTyp=*.mp3\nVerzeichnis=" + music +
                              "\n[Export]\nTitel=1\nVerzeichnis=/alt\n");
  Touch("a.mp3");
  Start();
  QWidget* form11 = OpenForm11();
  Press(form11, "Button1");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].folder, QStringLiteral("/alt"));
  EXPECT_EQ(requests[0].name, QStringLiteral("Liste.csv"));
  EXPECT_EQ(requests[0].filter, QStringLiteral("Textdateien (*.txt *.csv)"));
  EXPECT_TRUE(runs.empty());
  EXPECT_TRUE(form11->isVisible());
  EXPECT_EQ(windows.exportList->exportDirectory(), QStringLiteral("/alt"));
}

TEST_F(ExportAndTextDialogsTest, ChosenFileStartsTheExportAndKeepsItsFolder) {
  StartWithFile();
  QWidget* form11 = OpenForm11();
  Child<QCheckBox>(form11, "CheckBox1")->setChecked(true);
  Child<QCheckBox>(form11, "CheckBox7")->setChecked(true);  // "Album"
  Child<QRadioButton>(form11, "RadioButton2")->setChecked(true);
  chosen = QString::fromStdString(home + "/Listen/neu.csv");
  startSucceeds = false;  // e.g. the file could not be created
  Press(form11, "Button1");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].target, *chosen);
  EXPECT_EQ(runs[0].separator, ';');
  EXPECT_EQ(runs[0].columns,
            (ExportDialog::Columns{true, false, false, false, false, false, true}));
  EXPECT_TRUE(form11->isVisible());
  // The folder is taken although the export failed.
  EXPECT_EQ(windows.exportList->exportDirectory(), QString::fromStdString(home + "/Listen"));

  startSucceeds = true;
  Press(form11, "Button1");
  EXPECT_EQ(runs.size(), 2u);
  EXPECT_FALSE(form11->isVisible());
  EXPECT_EQ(Stored(U"Verzeichnis"), ToU32(QString::fromStdString(home + "/Listen")));
  EXPECT_EQ(Stored(U"Interpret"), U"1");
}

// Through to the file: the whole directory, as nothing is marked.
TEST_F(ExportAndTextDialogsTest, ExportWritesTheListAndReportsATargetItCannotWrite) {
  WriteFile(music + "/b.txt", "text");
  StartIn(music, "*.txt");
  Action("Exportieren1")->trigger();
  QWidget* form11 = windows.main->findChild<QWidget*>(QStringLiteral("Form11"));
  windows.exportList->setChooser(
      [this](QWidget*, const SaveFileRequest&) { return chosen; });
  Child<QCheckBox>(form11, "CheckBox1")->setChecked(true);
  Child<QCheckBox>(form11, "CheckBox5")->setChecked(true);  // no value for a non-MP3 file

  chosen = QString::fromStdString(home + "/fehlt/Liste.csv");
  Press(form11, "Button1");
  EXPECT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(form11->isVisible());

  chosen = QString::fromStdString(home + "/Liste.csv");
  Press(form11, "Button1");
  EXPECT_EQ(ReadFile(home + "/Liste.csv"), "\n" + music + "\r\nb\r\n");
  EXPECT_FALSE(form11->isVisible());
}

// The export is a batch like any other: previewed while the preview is on
// (cancelled, the dialog stays and nothing is written), journaled, and
// taken back by "Rückgängig" with the tags it gave.
TEST_F(ExportAndTextDialogsTest, ExportIsPreviewedAndTakenBack) {
  WriteFile(music + "/a.mp3", TwoFrames());
  MainWindow& window = StartIn(music);
  window.menu().vorschau->setChecked(true);
  std::vector<Plan> asked;
  bool confirm = false;
  window.setPlanConfirmation([&](const Plan& plan) {
    asked.push_back(plan);
    return confirm;
  });
  Action("Exportieren1")->trigger();
  QWidget* form11 = windows.main->findChild<QWidget*>(QStringLiteral("Form11"));
  const QString target = QString::fromStdString(home + "/Liste.csv");
  windows.exportList->setChooser([&](QWidget*, const SaveFileRequest&) { return target; });
  Child<QCheckBox>(form11, "CheckBox1")->setChecked(true);

  Press(form11, "Button1");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, U"Exportieren");
  ASSERT_EQ(asked[0].steps.size(), 1u);
  EXPECT_EQ(Kind(asked[0].steps[0]), StepKind::Export);
  EXPECT_TRUE(form11->isVisible());
  EXPECT_FALSE(Exists(home + "/Liste.csv"));
  EXPECT_EQ(ReadFile(music + "/a.mp3"), TwoFrames());

  confirm = true;
  Press(form11, "Button1");
  EXPECT_FALSE(form11->isVisible());
  EXPECT_EQ(ReadFile(home + "/Liste.csv"), "\n" + music + "\r\na\r\n");
  EXPECT_EQ(ReadFile(music + "/a.mp3"), TwoFrames() + EmptyTag());
  EXPECT_EQ(Action("Rueckgaengig1")->text(),
            QStringLiteral("&Rückgängig: Exportieren (2 Dateien)\tStrg+Z"));

  Action("Rueckgaengig1")->trigger();
  EXPECT_FALSE(Exists(home + "/Liste.csv"));
  EXPECT_EQ(ReadFile(music + "/a.mp3"), TwoFrames());
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(ExportAndTextDialogsTest, TextReplaceNeedsASearchTextAndStartsAfresh) {
  StartWithFile();
  std::vector<std::pair<QString, QString>> runs;
  QWidget* form14 = Open("Text1", "Form14");
  windows.textReplace->setStart([&runs](const QString& search, const QString& replacement) {
    runs.emplace_back(search, replacement);
    return true;
  });
  SetText(form14, "Edit2", "D:\\Musik");
  Child<QPushButton>(form14, "Button1")->click();
  EXPECT_TRUE(runs.empty());
  EXPECT_TRUE(form14->isVisible());

  SetText(form14, "Edit1", "c:\\musik");
  Child<QPushButton>(form14, "Button1")->click();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].first, QStringLiteral("c:\\musik"));
  EXPECT_EQ(runs[0].second, QStringLiteral("D:\\Musik"));
  EXPECT_FALSE(form14->isVisible());

  // The popup twin opens the same dialog, with empty fields.
  form14 = Open("Text2", "Form14");
  EXPECT_TRUE(Child<QLineEdit>(form14, "Edit1")->text().isEmpty());
  EXPECT_TRUE(Child<QLineEdit>(form14, "Edit2")->text().isEmpty());
}

// Through to the files: only the marked playlist is rewritten.
TEST_F(ExportAndTextDialogsTest, TextReplaceRewritesTheMarkedFiles) {
  WriteFile(music + "/a.m3u", "C:\\MUSIK\\a.mp3\r\nx\r\n");
  WriteFile(music + "/b.m3u", "c:\\musik\\b.mp3\r\n");
  MainWindow& window = StartIn(music, "*.m3u");
  window.setMarkedQuietly(0, true);
  QWidget* form14 = Open("Text1", "Form14");
  SetText(form14, "Edit1", "c:\\musik");
  SetText(form14, "Edit2", "D:\\Musik");
  Child<QPushButton>(form14, "Button1")->click();
  EXPECT_EQ(ReadFile(music + "/a.m3u"), "D:\\Musik\\a.mp3\r\nx\r\n");
  EXPECT_EQ(ReadFile(music + "/b.m3u"), "c:\\musik\\b.mp3\r\n");
  EXPECT_FALSE(form14->isVisible());
  EXPECT_TRUE(reporter.messages.empty());
}

// Over a folder of MP3 files with the default mask: one warning names
// every file left alone, in place of a box per file.
TEST_F(ExportAndTextDialogsTest, TextReplaceOverMp3FilesWarnsOnce) {
  const std::string audio("\xff\xfb\x90\x00\0a", 6);
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) WriteFile(music + "/" + name, audio);
  StartIn(music);
  QWidget* form14 = Open("Text1", "Form14");
  SetText(form14, "Edit1", "a");
  SetText(form14, "Edit2", "b");
  Child<QPushButton>(form14, "Button1")->click();
  ASSERT_EQ(reporter.messages.size(), 1u);
  std::u32string expected = U"Datei ist keine Textdatei und wird nicht verändert!\n\r";
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
    expected += U"\n\r" + DecodeUtf8(music + "/" + name);
    EXPECT_EQ(ReadFile(music + "/" + name), audio);
  }
  EXPECT_EQ(reporter.messages[0].text, expected);
}

}  // namespace
}  // namespace sonavex::test
