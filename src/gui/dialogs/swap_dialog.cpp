#include "gui/dialogs/swap_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace sonavex {
namespace {

QSpinBox* PartField(QWidget* parent, const char* name) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setRange(0, 10);
  field->setFixedWidth(45);
  return field;
}

struct SwapPlan {
  QString description;
  QString startCaption;
  bool enabled = true;
};

// Equal numbers win over a zero: (0, 0) changes nothing.
SwapPlan PlanFor(int a, int b) {
  if (a == b) return {QStringLiteral("Keine Veränderung."), QStringLiteral("Inaktiv"), false};
  if (b == 0) {
    return {QStringLiteral("String %1 wird gelöscht.").arg(a), QStringLiteral("Löschen")};
  }
  if (a == 0) {
    return {QStringLiteral("String %1 wird an den Anfang verschoben.").arg(b),
            QStringLiteral("Verschieben")};
  }
  return {QStringLiteral("String %1 wird mit String %2 getauscht.").arg(a).arg(b),
          QStringLiteral("Tauschen")};
}

}  // namespace

SwapDialog::SwapDialog(BatchStarter& host, QWidget* parent)
    : NameEditDialog(host, Operation::T, "Form8", QStringLiteral("Tauschen"), parent),
      partA_(PartField(this, "SpinEdit1")),
      partB_(PartField(this, "SpinEdit2")),
      description_(new QLabel(this)) {
  description_->setObjectName(QStringLiteral("Label3"));
  QFont small = description_->font();
  small.setPointSize(small.pointSize() - 1);
  description_->setFont(small);
  description_->setStyleSheet(QStringLiteral("color: red"));
  description_->setMinimumWidth(260);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("String"), this), 0, 0);
  layout->addWidget(partA_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("mit String"), this), 0, 2);
  layout->addWidget(partB_, 0, 3);
  layout->addWidget(description_, 1, 0, 1, 4);
  addButtons(layout, 2, QStringLiteral("Tauschen"), false);
  for (QSpinBox* field : {partA_, partB_}) {
    connect(field, &QSpinBox::valueChanged, this, &SwapDialog::describe);
  }
  describe();
}

void SwapDialog::resetControls() {
  partA_->setValue(0);
  partB_->setValue(0);
  partA_->setFocus();
  describe();
}

void SwapDialog::describe() {
  const SwapPlan plan = PlanFor(partA_->value(), partB_->value());
  description_->setText(plan.description);
  startButton()->setText(plan.startCaption);
  startButton()->setEnabled(plan.enabled);
}

OperationParams SwapDialog::parameters() const {
  return SwapParams{partA_->value(), partB_->value()};
}

}  // namespace sonavex
