#include "gui/dialogs/tag_from_name_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"
#include "gui/batch_host.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"ID3Tag";

struct FieldSpec {
  const char* caption;
  const char* checkName;
  const char* comboName;
  const char32_t* checkKey;
  const char32_t* sourceKey;
  std::initializer_list<const char*> sources;
};

// The entries in the order of their index; each field's rule reads the
// index, so the order is the meaning.
const FieldSpec kFields[] = {
    {"Titel", "CheckBox1", "ComboBox1", U"TitelCheck", U"TitelQuelle",
     {"Dateiname (Titel)", "Dateiname (Interpret - Titel)",
      "Dateiname (Titel - Interpret)", "Dateiname (Album - Interpret - Titel)",
      "Dateiname (Titel - Interpret - Album)", "Dateiname (Interpret - Titel - Album)",
      "Dateiname (Album - Titel - Interpret)", "Dateiname (Titel - Album - Interpret)",
      "Dateiname (Interpret - Album - Titel)", "Eintrag löschen"}},
    {"Interpret", "CheckBox2", "ComboBox2", U"InterpretCheck", U"InterpretQuelle",
     {"Dateiname (Interpret - Titel)", "Dateiname (Titel - Interpret)",
      "Dateiname (Album - Interpret - Titel)", "Dateiname (Titel - Interpret - Album)",
      "Dateiname (Interpret - Titel - Album)", "Dateiname (Album - Titel - Interpret)",
      "Dateiname (Titel - Album - Interpret)", "Dateiname (Interpret - Album - Titel)",
      "Verzeichnisname", "Verzeichnisname (eine Ebene höher)",
      "Verzeichnisname (zwei Ebenen höher)", "Eintrag löschen"}},
    {"Album", "CheckBox3", "ComboBox3", U"AlbumCheck", U"AlbumQuelle",
     {"Dateiname (Album - Interpret - Titel)", "Dateiname (Titel - Interpret - Album)",
      "Dateiname (Interpret - Titel - Album)", "Dateiname (Album - Titel - Interpret)",
      "Dateiname (Titel - Album - Interpret)", "Dateiname (Interpret - Album - Titel)",
      "Verzeichnisname", "Verzeichnisname (eine Ebene höher)",
      "Verzeichnisname (zwei Ebenen höher)", "Eintrag löschen"}},
};

// The text the box shows while nothing is chosen or typed: a prompt, never
// a text for the tag. Any other text in a box without a selected entry is
// the source.
const QString kUnchosen = QStringLiteral("Auswahl");

// Typing leaves the selected entry: from then on the box holds a text of
// its own (index -1), also when it started as an entry's text.
void ReleaseEntryOnTyping(QComboBox* box) {
  QLineEdit* edit = box->lineEdit();
  QObject::connect(edit, &QLineEdit::textEdited, box, [box, edit](const QString& text) {
    if (box->currentIndex() < 0) return;
    const int cursor = edit->cursorPosition();
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(-1);
    box->setEditText(text);
    edit->setCursorPosition(cursor);
  });
}

QComboBox* SourceBox(QWidget* parent, const FieldSpec& spec) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(spec.comboName));
  box->setEditable(true);
  // A typed text is a source, never a new entry.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setCompleter(nullptr);
  for (const char* entry : spec.sources) box->addItem(QString::fromUtf8(entry));
  box->setMaxVisibleItems(static_cast<int>(spec.sources.size()));
  ReleaseEntryOnTyping(box);
  return box;
}

// The window's client area is 382 by 83: three rows of check box and
// source, the two buttons at the right edge.
constexpr int kRowTop[] = {8, 32, 56};
constexpr int kRowHeight = 21;
constexpr int kCheckLeft = 8;
constexpr int kSourceLeft = 88;
constexpr int kSourceWidth = 210;
constexpr int kButtonLeft = 306;
constexpr int kButtonWidth = 68;
constexpr int kButtonHeight = 25;

}  // namespace

TagFromNameDialog::TagFromNameDialog(BatchStarter& host, QWidget* parent)
    : TagDialog(host, "Form9", QStringLiteral("ID3Tag einlesen"), parent) {
  setFixedSize(382, 83);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldSpec& spec = kFields[i];
    auto* check = new QCheckBox(QString::fromUtf8(spec.caption), this);
    check->setObjectName(QString::fromLatin1(spec.checkName));
    check->setGeometry(kCheckLeft, kRowTop[i], kSourceLeft - kCheckLeft - 4, kRowHeight);
    QComboBox* source = SourceBox(this, spec);
    source->setGeometry(kSourceLeft, kRowTop[i], kSourceWidth, kRowHeight);
    connect(check, &QCheckBox::toggled, source, &QWidget::setEnabled);
    fields_[i] = {check, source};
  }
  QPushButton* start = makeButton("Button1", QStringLiteral("Einlesen"), true);
  start->setGeometry(kButtonLeft, kRowTop[0], kButtonWidth, kButtonHeight);
  QPushButton* cancel = makeButton("Button2", QStringLiteral("Abbrechen"), false);
  cancel->setGeometry(kButtonLeft, kRowTop[2] + kRowHeight - kButtonHeight,
                      kButtonWidth, kButtonHeight);
  connect(start, &QPushButton::clicked, this, &TagFromNameDialog::onStartClicked);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  loadChoices();
}

TagSource TagFromNameDialog::sourceOf(const Field& field) const {
  TagSource source;
  source.enabled = field.check->isChecked();
  source.index = field.source->currentIndex();
  if (source.index >= 0) return source;
  if (field.source->currentText() == kUnchosen) {
    source.index = kNoTagSource;
  } else {
    source.text = ToU32(field.source->currentText());
  }
  return source;
}

TagFromNameParams TagFromNameDialog::parameters() const {
  return {sourceOf(fields_[0]), sourceOf(fields_[1]), sourceOf(fields_[2])};
}

void TagFromNameDialog::onStartClicked() {
  const TagFromNameParams params = parameters();
  if (!HasWork(params)) return;
  if (host_.runSelection(Operation::I, params)) hide();
}

// The typed text is not stored: a box without an entry starts with its
// opening text.
void TagFromNameDialog::loadChoices() {
  const IniFile& settings = host_.settings();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& field = fields_[i];
    const bool checked = settings.ReadBool(kSection, kFields[i].checkKey, false);
    const long index = settings.ReadInteger(kSection, kFields[i].sourceKey, -1);
    field.check->setChecked(checked);
    field.source->setEnabled(checked);
    if (!SelectStoredEntry(field.source, index)) field.source->setEditText(kUnchosen);
  }
}

// The six keys go in one write: the file holds all of them or, after a
// failure, none.
void TagFromNameDialog::storeChoices() {
  std::vector<IniEntry> entries;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const bool checked = fields_[i].check->isChecked();
    entries.push_back({std::u32string(kSection), kFields[i].checkKey, checked ? U"1" : U"0"});
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::string index = std::to_string(fields_[i].source->currentIndex());
    entries.push_back({std::u32string(kSection), kFields[i].sourceKey, DecodeUtf8(index)});
  }
  reportSettingsWrite(host_.settings().WriteStrings(entries));
}

}  // namespace sonavex
