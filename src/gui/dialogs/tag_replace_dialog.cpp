#include "gui/dialogs/tag_replace_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/batch_host.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

const char* const kGroups[] = {"Titel", "Interpret", "Album"};

FieldReplace ReplaceOf(const QLineEdit* search, const QLineEdit* replacement) {
  return {ToU32(search->text()), ToU32(replacement->text())};
}

}  // namespace

TagReplaceDialog::TagReplaceDialog(BatchStarter& host, QWidget* parent)
    : TagDialog(host, "Form15", QStringLiteral("ID3Tag Suchen und Ersetzen"), parent) {
  auto* layout = new QVBoxLayout(this);
  for (int group = 0; group < 3; ++group) {
    auto* box = new QGroupBox(QString::fromUtf8(kGroups[group]), this);
    box->setObjectName(QStringLiteral("GroupBox%1").arg(group + 1));
    auto* grid = new QGridLayout(box);
    const QString captions[] = {QStringLiteral("suchen nach"), QStringLiteral("ersetzen mit")};
    for (int row = 0; row < 2; ++row) {
      const int index = 2 * group + row;
      auto* field = new QLineEdit(box);
      field->setObjectName(QStringLiteral("Edit%1").arg(index + 1));
      field->setMinimumWidth(200);
      grid->addWidget(new QLabel(captions[row], box), row, 0);
      grid->addWidget(field, row, 1);
      fields_[static_cast<std::size_t>(index)] = field;
    }
    layout->addWidget(box);
  }
  layout->addLayout(makeButtonRow(QStringLiteral("Ersetzen"), [this] { onStartClicked(); }));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  startAfreshOnActivation();
}

TagReplaceParams TagReplaceDialog::parameters() const {
  return {ReplaceOf(fields_[0], fields_[1]), ReplaceOf(fields_[2], fields_[3]),
          ReplaceOf(fields_[4], fields_[5])};
}

void TagReplaceDialog::onStartClicked() {
  const TagReplaceParams params = parameters();
  if (!HasWork(params)) return;
  finishDirectoryRun(host_.runSelection(Operation::W, params));
}

void TagReplaceDialog::resetControls() {
  for (QLineEdit* field : fields_) field->clear();
  fields_[0]->setFocus();
}

}  // namespace sonavex
