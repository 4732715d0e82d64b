// What every window does the way desktop programs do: Return on a focused
// push button, the title bar's close button, tooltips for names cut short,
// Qt's own texts in German and the help behind F1.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <map>

#include "core/settings/ini_file.h"
#include "gui/dialogs/export_dialog.h"
#include "gui/dialogs/preview_dialog.h"
#include "gui/help_page.h"
#include "gui/qt_translation.h"
#include "gui_fixture.h"
#include "support/mp3_fixtures.h"

namespace sonavex::test {

// Records the URLs the desktop is asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

bool ActivateAndWait(QWidget* window) {
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

class WindowConventionsTest : public GuiTest {
 public:
  MainWindow& StartWithSongAndList() {
    WriteFile(music + "/ABBA - Waterloo.mp3", TwoFrames() + TagWith("Song", "Band", "Platte"));
    WriteFile(music + "/liste.m3u", "Song\r\n");
    return StartIn(music, "*.mp3;*.m3u");
  }
  QWidget* Open(const char* action, const char* form) {
    Action(action)->trigger();
    auto* dialog = windows.main->findChild<QWidget*>(QString::fromLatin1(form));
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible()) << form;
    return dialog;
  }
  // Every file of the music folder with its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(music)) {
      files[entry.path().filename()] = ReadFile(entry.path());
    }
    return files;
  }
  // The save dialog of the export, answered with "Abbrechen".
  void RecordSaveRequests() {
    windows.exportList->setChooser([this](QWidget*, const SaveFileRequest& request) {
      requests.push_back(request);
      return std::optional<QString>();
    });
  }
  std::vector<SaveFileRequest> requests;
};

// One press of Return: the controls named in `focus` get the focus one
// after the other, as Tab gives it, and Return goes to the last of them.
struct ReturnRow {
  const char* label;
  const char* action;
  const char* form;
  void (*fill)(WindowConventionsTest&, QWidget*);
  std::vector<const char*> focus;
  bool changesFiles;
  bool staysOpen;
};

void PrintTo(const ReturnRow& row, std::ostream* out) { *out << row.label; }

class ReturnKeyTest : public WindowConventionsTest,
                      public ::testing::WithParamInterface<ReturnRow> {};

void Texts(QWidget* dialog, const char* search, const char* replacement) {
  SetText(dialog, "Edit1", search);
  SetText(dialog, "Edit2", replacement);
}

const ReturnRow kReturnRows[] = {
    {"Form9_Abbrechen", "ID3TagausNamenerstellen1", "Form9",
     [](WindowConventionsTest&, QWidget* d) {
       Child<QCheckBox>(d, "CheckBox1")->setChecked(true);
       Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(0);
     },
     {"Button2"}, false, false},
    {"Form10_Abbrechen", "DateinameausID3Tagerstellen1", "Form10",
     [](WindowConventionsTest&, QWidget* d) {
       Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(3);
     },
     {"Button2"}, false, false},
    {"Form11_Abbrechen", "Exportieren1", "Form11",
     [](WindowConventionsTest& test, QWidget* d) {
       Child<QCheckBox>(d, "CheckBox1")->setChecked(true);
       test.RecordSaveRequests();
     },
     {"Button2"}, false, false},
    {"Form14_Abbrechen", "Text1", "Form14",
     [](WindowConventionsTest&, QWidget* d) { Texts(d, "Song", "Lied"); }, {"Button2"}, false,
     false},
    {"Form15_Abbrechen", "SuchenundErsetzen2", "Form15",
     [](WindowConventionsTest&, QWidget* d) { Texts(d, "Song", "Lied"); }, {"Button2"}, false,
     false},
    {"Form16_Loeschen", "AnfangEnde3", "Form16",
     [](WindowConventionsTest&, QWidget* d) { Child<QSpinBox>(d, "SpinEdit1")->setValue(1); },
     {"Button1"}, true, false},
    {"Form16_Einfuegen", "AnfangEnde3", "Form16",
     [](WindowConventionsTest&, QWidget* d) { SetText(d, "Edit1", "x"); }, {"Button2"}, true,
     false},
    // In a field Return still goes to the window's default button.
    {"Form15_field_starts", "SuchenundErsetzen2", "Form15",
     [](WindowConventionsTest&, QWidget* d) { Texts(d, "Song", "Lied"); }, {"Edit2"}, true,
     false},
    {"Form16_field_closes", "AnfangEnde3", "Form16",
     [](WindowConventionsTest&, QWidget* d) { Child<QSpinBox>(d, "SpinEdit1")->setValue(1); },
     {"SpinEdit1"}, false, false},
    // "Tauschen" is no default: having passed over it, Return in a field
    // still does nothing.
    {"Form8_field_after_button", "Tauschen1", "Form8",
     [](WindowConventionsTest&, QWidget* d) {
       Child<QSpinBox>(d, "SpinEdit1")->setValue(1);
       Child<QSpinBox>(d, "SpinEdit2")->setValue(2);
     },
     {"Button1", "SpinEdit1"}, false, true},
};

TEST_P(ReturnKeyTest, GoesToTheFocusedButtonOrTheDefault) {
  const ReturnRow& row = GetParam();
  StartWithSongAndList();
  QWidget* dialog = Open(row.action, row.form);
  ASSERT_TRUE(ActivateAndWait(dialog));
  row.fill(*this, dialog);
  const auto before = Files();
  for (const char* name : row.focus) Child<QWidget>(dialog, name)->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), Child<QWidget>(dialog, row.focus.back()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Files() != before, row.changesFiles);
  EXPECT_EQ(dialog->isVisible(), row.staysOpen);
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(reporter.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ReturnKeyTest, ::testing::ValuesIn(kReturnRows),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(WindowConventionsTest, ReturnOnAFocusedCancelLeavesThePreview) {
  Plan plan;
  plan.directory = music;
  plan.steps.push_back({music, "a.mp3", steps::Rename{"b.mp3"}});
  PreviewDialog preview(plan);
  preview.show();
  ASSERT_TRUE(ActivateAndWait(&preview));
  preview.cancelButton()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(preview.cancelButton(), Qt::Key_Return);
  EXPECT_FALSE(preview.isVisible());
  EXPECT_EQ(preview.result(), QDialog::Rejected);
}

// The title bar's close button stores the choices as "Abbrechen" does.
TEST_F(WindowConventionsTest, ExportClosesByItsTitleBarAndKeepsTheChoices) {
  StartWithSongAndList();
  QWidget* form11 = Open("Exportieren1", "Form11");
  EXPECT_TRUE(form11->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  Child<QCheckBox>(form11, "CheckBox5")->setChecked(true);  // "Titel"
  EXPECT_TRUE(form11->close());
  EXPECT_FALSE(form11->isVisible());
  EXPECT_EQ(IniFile(settingsPath).ReadString(U"Export", U"Titel", U""), U"1");
}

// "100000 : 100000" fits the count panel of the status bar uncut.
TEST_F(WindowConventionsTest, CountPanelHoldsSixDigitCounts) {
  Start();
  const auto panels =
      Child<QStatusBar>(windows.main.get(), "StatusBar1")->findChildren<QLabel*>();
  ASSERT_GE(panels.size(), 2);
  QLabel* count = panels[1];
  count->setText(QStringLiteral("100000 : 100000"));
  EXPECT_LE(count->sizeHint().width(), count->width());
}

TEST_F(WindowConventionsTest, TreeShowsNamesCutShortAsTooltip) {
  const std::string longName = "Die gesammelten Aufnahmen der Wellenreiter 1998 bis 2004";
  std::filesystem::create_directories(music + "/" + longName);
  std::filesystem::create_directories(music + "/Pop");
  MainWindow& window = StartIn(music);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* tree = Child<QTreeWidget>(&window, "DirectoryListBox1");
  const auto tipOf = [tree](const char* name) {
    const auto found = tree->findItems(QString::fromUtf8(name), Qt::MatchExactly | Qt::MatchRecursive);
    if (found.size() != 1) return QStringLiteral("not in the tree");
    tree->scrollToItem(found.front());
    const QPoint at = tree->visualItemRect(found.front()).center();
    QHelpEvent event(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
    const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return tip;
  };
  EXPECT_EQ(tipOf("Pop"), QString());
  EXPECT_EQ(tipOf(longName.c_str()), QString::fromStdString(longName));
}

// Qt's dialogs and standard buttons speak German once the translation is
// installed (package qt6-translations-l10n).
TEST(QtTranslation, MakesQtsOwnTextsGerman) {
  const QLocale before;
  ASSERT_TRUE(InstallQtGermanTranslation(*QCoreApplication::instance()));
  EXPECT_EQ(QLocale().toString(1.5), QStringLiteral("1,5"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"),
            QStringLiteral("Speichern unter"));
  for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  QLocale::setDefault(before);
}

// F1 and "Hilfe extern aufrufen!" open the help page beside the program,
// here the copy in the build tree.
TEST_F(WindowConventionsTest, HelpOpensTheHelpPageInTheBrowser) {
  Start();
  const QString page = HelpPagePath(QCoreApplication::applicationDirPath());
  ASSERT_TRUE(QFileInfo(page).isFile()) << page.toStdString();
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
  Action("Hilfe2")->trigger();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  ASSERT_EQ(recorder.opened.size(), 1u);
  EXPECT_EQ(recorder.opened.front(), QUrl::fromLocalFile(page));
  EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace
}  // namespace sonavex::test

#include "window_conventions_test.moc"
