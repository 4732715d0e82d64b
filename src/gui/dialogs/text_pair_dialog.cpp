#include "gui/dialogs/text_pair_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace sonavex {

TextPairDialog::TextPairDialog(BatchStarter& host, Operation code,
                               const char* objectName, const Captions& captions,
                               QWidget* parent)
    : NameEditDialog(host, code, objectName, captions.title, parent),
      upper_(new QLineEdit(this)),
      lower_(new QLineEdit(this)) {
  upper_->setObjectName(QStringLiteral("Edit1"));
  lower_->setObjectName(QStringLiteral("Edit2"));
  upper_->setMinimumWidth(200);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(captions.upper, this), 0, 0);
  layout->addWidget(upper_, 0, 1);
  layout->addWidget(new QLabel(captions.lower, this), 1, 0);
  layout->addWidget(lower_, 1, 1);
  addButtons(layout, 2, captions.start, true);
}

void TextPairDialog::resetControls() {
  upper_->clear();
  lower_->clear();
  upper_->setFocus();
}

QString TextPairDialog::upperText() const { return upper_->text(); }
QString TextPairDialog::lowerText() const { return lower_->text(); }

}  // namespace sonavex
