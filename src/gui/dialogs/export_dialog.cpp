#include "gui/dialogs/export_dialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "core/settings/ini_file.h"
#include "gui/batch_host.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"Export";

struct ColumnSpec {
  const char* caption;
  const char32_t* key;
  int group;  // index into kGroups
};

const char* const kGroups[] = {"Dateiinfo", "ID3Tag", "MP3-Header"};

// In the order the columns are written. "Interpret" and "Album" are stored
// under each other's key; settings files out there hold them that way.
const ColumnSpec kColumns[ExportDialog::kColumnCount] = {
    {"Dateiname", U"Dateiname", 0},     {"Dateityp", U"Dateityp", 0},
    {"Dateigröße", U"Dateigroesse", 0}, {"Datum/Uhrzeit", U"Dateidatum", 0},
    {"Titel", U"Titel", 1},             {"Interpret", U"Album", 1},
    {"Album", U"Interpret", 1},         {"MPEG-Version", U"Version", 2},
    {"Layer", U"Layer", 2},             {"Bitrate", U"Bitrate", 2},
    {"Samplefrequenz", U"Sample", 2},   {"Stereo-Mode", U"Mode", 2},
    {"Spieldauer", U"Dauer", 2},
};

constexpr std::u32string_view kSeparatorKey = U"Trennzeichen";
constexpr std::u32string_view kDirectoryKey = U"Verzeichnis";

std::u32string Flag(bool on) { return on ? U"1" : U"0"; }

}  // namespace

ExportDialog::ExportDialog(BatchHost& host, QWidget* parent)
    : TagDialog(host, "Form11", QStringLiteral("Exportieren"), parent) {
  // Unlike the other tag dialogs it can be closed by the title bar; that
  // stores the choices as "Abbrechen" does.
  setWindowFlag(Qt::WindowCloseButtonHint);
  buildControls();
  loadChoices();
}

void ExportDialog::buildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* groups = new QHBoxLayout;
  std::vector<QVBoxLayout*> groupLayouts;
  for (int g = 0; g < 3; ++g) {
    auto* box = new QGroupBox(QString::fromUtf8(kGroups[g]), this);
    box->setObjectName(QStringLiteral("GroupBox%1").arg(g + 1));
    groupLayouts.push_back(new QVBoxLayout(box));
    groups->addWidget(box, 0, Qt::AlignTop);
  }
  for (int i = 0; i < kColumnCount; ++i) {
    auto* check = new QCheckBox(QString::fromUtf8(kColumns[i].caption), this);
    check->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
    groupLayouts[static_cast<std::size_t>(kColumns[i].group)]->addWidget(check);
    columns_[static_cast<std::size_t>(i)] = check;
  }
  auto* separator = new QGroupBox(QStringLiteral("Trennzeichen"), this);
  separator->setObjectName(QStringLiteral("GroupBox4"));
  auto* separatorLayout = new QVBoxLayout(separator);
  tab_ = new QRadioButton(QStringLiteral("Tabstop"), separator);
  tab_->setObjectName(QStringLiteral("RadioButton1"));
  semicolon_ = new QRadioButton(QStringLiteral("Semikolon"), separator);
  semicolon_->setObjectName(QStringLiteral("RadioButton2"));
  separatorLayout->addWidget(tab_);
  separatorLayout->addWidget(semicolon_);
  groups->addWidget(separator, 0, Qt::AlignTop);
  layout->addLayout(groups);

  layout->addLayout(makeButtonRow(QStringLiteral("Exportieren"), [this] { onStartClicked(); }));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ExportDialog::loadChoices() {
  const IniFile& settings = host_.settings();
  for (int i = 0; i < kColumnCount; ++i) {
    columns_[static_cast<std::size_t>(i)]->setChecked(
        settings.ReadBool(kSection, kColumns[i].key, false));
  }
  const bool tab = settings.ReadBool(kSection, kSeparatorKey, true);
  tab_->setChecked(tab);
  semicolon_->setChecked(!tab);
  exportDirectory_ = ToQString(settings.ReadString(kSection, kDirectoryKey, U""));
}

void ExportDialog::storeChoices() {
  std::vector<IniEntry> entries;
  for (int i = 0; i < kColumnCount; ++i) {
    entries.push_back({std::u32string(kSection), kColumns[i].key,
                       Flag(columns_[static_cast<std::size_t>(i)]->isChecked())});
  }
  entries.push_back({std::u32string(kSection), std::u32string(kSeparatorKey),
                     Flag(tab_->isChecked())});
  entries.push_back({std::u32string(kSection), std::u32string(kDirectoryKey),
                     ToU32(exportDirectory_)});
  reportSettingsWrite(host_.settings().WriteStrings(entries));
}

ExportDialog::Columns ExportDialog::checkedColumns() const {
  Columns checked{};
  for (std::size_t i = 0; i < checked.size(); ++i) checked[i] = columns_[i]->isChecked();
  return checked;
}

// Nothing ticked, or the save dialog cancelled: nothing happens and the
// dialog stays. The chosen folder is remembered even when the export then
// fails to create the file.
void ExportDialog::onStartClicked() {
  Choice choice;
  choice.columns = checkedColumns();
  if (std::none_of(choice.columns.begin(), choice.columns.end(), [](bool on) { return on; })) {
    return;
  }
  const std::optional<QString> target = chooser_(
      this, {exportDirectory_, QStringLiteral("Liste.csv"),
             QStringLiteral("Textdateien (*.txt *.csv)"), QStringLiteral("csv")});
  if (!target) return;
  exportDirectory_ = QFileInfo(*target).absolutePath();
  choice.separator = tab_->isChecked() ? '\t' : ';';
  choice.target = *target;
  if (start_ && start_(choice)) hide();
}

}  // namespace sonavex
