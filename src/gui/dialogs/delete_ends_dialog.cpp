#include "gui/dialogs/delete_ends_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <limits>

namespace sonavex {
namespace {

// No upper bound worth the name; below 0 makes no sense.
QSpinBox* CountField(QWidget* parent, const char* name) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setRange(0, std::numeric_limits<int>::max());
  // Sized for the counts people type, not for the largest one allowed.
  field->setFixedWidth(60);
  return field;
}

}  // namespace

DeleteEndsDialog::DeleteEndsDialog(BatchStarter& host, QWidget* parent)
    : NameEditDialog(host, Operation::L, "Form3",
                     QStringLiteral("Anfang/Ende löschen"), parent),
      first_(CountField(this, "SpinEdit1")),
      last_(CountField(this, "SpinEdit2")) {
  auto* layout = new QGridLayout(this);
  const std::pair<QSpinBox*, QString> rows[] = {
      {first_, QStringLiteral("ersten")}, {last_, QStringLiteral("letzten")}};
  int row = 0;
  for (const auto& [field, caption] : rows) {
    layout->addWidget(new QLabel(QStringLiteral("Die"), this), row, 0);
    layout->addWidget(field, row, 1);
    layout->addWidget(new QLabel(caption, this), row, 2);
    ++row;
  }
  // One "Zeichen" for both rows, halfway between them.
  layout->addWidget(new QLabel(QStringLiteral("Zeichen"), this), 0, 3, row, 1,
                    Qt::AlignVCenter);
  addButtons(layout, row, QStringLiteral("Löschen"), false);
}

void DeleteEndsDialog::resetControls() {
  first_->setValue(0);
  last_->setValue(0);
  first_->setFocus();
}

OperationParams DeleteEndsDialog::parameters() const {
  return DeleteEndsParams{first_->value(), last_->value()};
}

}  // namespace sonavex
