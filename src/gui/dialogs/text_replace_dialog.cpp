#include "gui/dialogs/text_replace_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace sonavex {

TextReplaceDialog::TextReplaceDialog(BatchStarter& host, QWidget* parent)
    : TagDialog(host, "Form14", QStringLiteral("Text ersetzen"), parent),
      search_(new QLineEdit(this)),
      replacement_(new QLineEdit(this)) {
  search_->setObjectName(QStringLiteral("Edit1"));
  replacement_->setObjectName(QStringLiteral("Edit2"));
  search_->setMinimumWidth(200);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("suchen nach"), this), 0, 0);
  layout->addWidget(search_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("ersetzen mit"), this), 1, 0);
  layout->addWidget(replacement_, 1, 1);
  layout->addLayout(makeButtonRow(QStringLiteral("Ersetzen"), [this] { onStartClicked(); }),
                    2, 0, 1, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  startAfreshOnActivation();
}

void TextReplaceDialog::resetControls() {
  search_->clear();
  replacement_->clear();
  search_->setFocus();
}

// An empty search text finds nothing to replace: the dialog just stays.
void TextReplaceDialog::onStartClicked() {
  if (search_->text().isEmpty() || !start_) return;
  if (start_(search_->text(), replacement_->text())) hide();
}

}  // namespace sonavex
