#include "gui/dialogs/name_from_tag_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "gui/batch_host.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSection = U"ID3Tag";
constexpr std::u32string_view kKey = U"DateiNameQuelle";

// In the order of NameFromTagParams::pattern.
const char* const kPatterns[] = {
    "Album - Interpret - Titel", "Interpret - Album - Titel", "Interpret - Titel",
    "Titel - Interpret", "Titel"};

}  // namespace

NameFromTagDialog::NameFromTagDialog(BatchStarter& host, QWidget* parent)
    : TagDialog(host, "Form10", QStringLiteral("Dateiname aus ID3Tag"), parent),
      pattern_(new QComboBox(this)) {
  auto* heading = new QLabel(QStringLiteral("Dateiname aus dem ID3Tag erstellen"), this);
  heading->setObjectName(QStringLiteral("Label1"));
  pattern_->setObjectName(QStringLiteral("ComboBox1"));
  for (const char* entry : kPatterns) pattern_->addItem(QString::fromUtf8(entry));
  pattern_->setPlaceholderText(QStringLiteral("Auswahl"));
  pattern_->setMinimumWidth(200);
  QPushButton* start = makeButton("Button1", QStringLiteral("Erstellen"), true);
  QPushButton* cancel = makeButton("Button2", QStringLiteral("Abbrechen"), false);
  auto* layout = new QGridLayout(this);
  layout->addWidget(heading, 0, 0, 1, 3);
  layout->addWidget(pattern_, 1, 0, 1, 3);
  layout->setColumnStretch(0, 1);
  layout->addWidget(start, 2, 1);
  layout->addWidget(cancel, 2, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(start, &QPushButton::clicked, this, &NameFromTagDialog::onStartClicked);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  loadChoice();
}

NameFromTagParams NameFromTagDialog::parameters() const {
  return NameFromTagParams{pattern_->currentIndex()};
}

// Works without a pattern as well: the names keep their base and get
// ".mp3" and the replacement table.
void NameFromTagDialog::onStartClicked() {
  if (host_.runSelection(Operation::N, parameters())) hide();
}

void NameFromTagDialog::loadChoice() {
  SelectStoredEntry(pattern_, host_.settings().ReadInteger(kSection, kKey, -1));
}

void NameFromTagDialog::storeChoices() {
  reportSettingsWrite(host_.settings().WriteInteger(kSection, kKey, pattern_->currentIndex()));
}

}  // namespace sonavex
