#include "gui/dialogs/tag_ends_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/batch_host.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

const char* const kFields[] = {"Titel", "Interpret", "Album"};
constexpr int kFieldLength = 30;

// A field of the tag holds 30 characters: more can be neither deleted nor
// added at one end.
QSpinBox* CountField(QWidget* parent, int number) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(QStringLiteral("SpinEdit%1").arg(number));
  field->setRange(0, kFieldLength);
  field->setFixedWidth(45);
  return field;
}

// What the field says now, also while it is being typed into: a text that
// is no number counts as 0.
long CountOf(const QSpinBox* field) {
  bool number = false;
  const int value = field->cleanText().toInt(&number);
  return number ? std::clamp(value, 0, kFieldLength) : 0;
}

QLineEdit* AffixField(QWidget* parent, int number) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QStringLiteral("Edit%1").arg(number));
  field->setMaxLength(kFieldLength);
  field->setFixedWidth(150);
  return field;
}

QGroupBox* NamedGroup(QWidget* parent, int number, const QString& caption) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QStringLiteral("GroupBox%1").arg(number));
  return group;
}

}  // namespace

TagEndsDialog::TagEndsDialog(BatchStarter& host, QWidget* parent)
    : TagDialog(host, "Form16", QStringLiteral("ID3Tag Anfang/Ende"), parent) {
  auto* layout = new QGridLayout(this);
  layout->addWidget(buildDeleteGroup(), 0, 0);
  layout->addWidget(buildInsertGroup(), 0, 1);
  // Return in a field closes the window: neither batch starts by accident.
  QPushButton* cancel = makeButton("Button3", QStringLiteral("Abbrechen"), true);
  layout->addWidget(cancel, 1, 1, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  startAfreshOnActivation();
}

// Each group: a sub-group per field stacked above the group's own button.
QGroupBox* TagEndsDialog::buildDeleteGroup() {
  QGroupBox* group = NamedGroup(this, 1, QStringLiteral("Löschen"));
  auto* stack = new QVBoxLayout(group);
  for (int field = 0; field < 3; ++field) {
    QGroupBox* sub = NamedGroup(group, 3 + field, QString::fromUtf8(kFields[field]));
    auto* grid = new QGridLayout(sub);
    const QString ends[] = {QStringLiteral("ersten"), QStringLiteral("letzten")};
    for (int row = 0; row < 2; ++row) {
      const int index = 2 * field + row;
      counts_[static_cast<std::size_t>(index)] = CountField(sub, index + 1);
      grid->addWidget(new QLabel(QStringLiteral("Die"), sub), row, 0);
      grid->addWidget(counts_[static_cast<std::size_t>(index)], row, 1);
      grid->addWidget(new QLabel(ends[row], sub), row, 2);
    }
    // One "Zeichen" for both rows, halfway between them.
    grid->addWidget(new QLabel(QStringLiteral("Zeichen"), sub), 0, 3, 2, 1, Qt::AlignVCenter);
    stack->addWidget(sub);
  }
  QPushButton* start = makeButton("Button1", QStringLiteral("Löschen"), false);
  stack->addWidget(start, 0, Qt::AlignRight);
  connect(start, &QPushButton::clicked, this, &TagEndsDialog::onDeleteClicked);
  return group;
}

QGroupBox* TagEndsDialog::buildInsertGroup() {
  QGroupBox* group = NamedGroup(this, 2, QStringLiteral("Einfügen"));
  auto* stack = new QVBoxLayout(group);
  for (int field = 0; field < 3; ++field) {
    QGroupBox* sub = NamedGroup(group, 6 + field, QString::fromUtf8(kFields[field]));
    auto* grid = new QGridLayout(sub);
    const QString ends[] = {QStringLiteral("vor Anfang"), QStringLiteral("nach Ende")};
    for (int row = 0; row < 2; ++row) {
      const int index = 2 * field + row;
      texts_[static_cast<std::size_t>(index)] = AffixField(sub, index + 1);
      grid->addWidget(new QLabel(ends[row], sub), row, 0);
      grid->addWidget(texts_[static_cast<std::size_t>(index)], row, 1);
    }
    stack->addWidget(sub);
  }
  QPushButton* start = makeButton("Button2", QStringLiteral("Einfügen"), false);
  stack->addWidget(start, 0, Qt::AlignRight);
  connect(start, &QPushButton::clicked, this, &TagEndsDialog::onInsertClicked);
  return group;
}

TagDeleteParams TagEndsDialog::deleteParameters() const {
  const auto counts = [this](int field) {
    return FieldCounts{CountOf(counts_[2 * field]), CountOf(counts_[2 * field + 1])};
  };
  return {counts(0), counts(1), counts(2)};
}

TagInsertParams TagEndsDialog::insertParameters() const {
  const auto affixes = [this](int field) {
    return FieldAffixes{ToU32(texts_[2 * field]->text()), ToU32(texts_[2 * field + 1]->text())};
  };
  return {affixes(0), affixes(1), affixes(2)};
}

void TagEndsDialog::onDeleteClicked() {
  const TagDeleteParams params = deleteParameters();
  if (!HasWork(params)) return;
  finishDirectoryRun(host_.runSelection(Operation::A, params));
}

void TagEndsDialog::onInsertClicked() {
  const TagInsertParams params = insertParameters();
  if (!HasWork(params)) return;
  finishDirectoryRun(host_.runSelection(Operation::B, params));
}

void TagEndsDialog::resetControls() {
  for (QSpinBox* field : counts_) field->setValue(0);
  for (QLineEdit* field : texts_) field->clear();
  counts_[0]->setFocus();
}

}  // namespace sonavex
