#include "gui/dialogs/rename_dialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/batch/planner.h"
#include "core/text/encoding.h"
#include "gui/batch_host.h"
#include "gui/qt_text.h"
#include "gui/program_font.h"

namespace sonavex {

RenameDialog::RenameDialog(BatchHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      main_(host),
      oldName_(new QLineEdit(this)),
      newName_(new QLineEdit(this)),
      renameButton_(new QPushButton(QStringLiteral("Umbenennen"), this)) {
  setObjectName(QStringLiteral("Form5"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Umbenennen"));
  oldName_->setObjectName(QStringLiteral("Edit1"));
  newName_->setObjectName(QStringLiteral("Edit2"));
  oldName_->setMinimumWidth(320);
  renameButton_->setObjectName(QStringLiteral("Button1"));
  renameButton_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
  cancel->setObjectName(QStringLiteral("Button2"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("alter Name"), this), 0, 0);
  layout->addWidget(oldName_, 1, 0);
  layout->addWidget(new QLabel(QStringLiteral("neuer Name"), this), 2, 0);
  layout->addWidget(newName_, 3, 0);
  // Below the fields, one above the other, at the right edge.
  layout->addWidget(renameButton_, 4, 0, Qt::AlignRight);
  layout->addWidget(cancel, 5, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(renameButton_, &QPushButton::clicked, this, &RenameDialog::onRenameClicked);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

// Coming back to the dialog from the main window starts the pass over, since
// the marks may have changed there.
bool RenameDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) refill();
  return QDialog::event(event);
}

void RenameDialog::showEvent(QShowEvent* event) {
  refill();
  QDialog::showEvent(event);
}

void RenameDialog::advanceToMarked() {
  const int last = main_.entryCount() - 1;
  while (renameIndex_ < last && !main_.isMarked(renameIndex_)) ++renameIndex_;
}

void RenameDialog::refill() {
  renameIndex_ = 0;
  advanceToMarked();
  if (renameIndex_ < main_.entryCount() && main_.isMarked(renameIndex_)) {
    // From the entry's bytes, not its shown text: a byte that is not UTF-8
    // must come back out of the field as that byte.
    const QString name = ToEditableQString(DecodeUtf8(main_.entryName(renameIndex_)));
    oldName_->setText(name);
    newName_->setText(name);
  }
  newName_->setFocus();
}

void RenameDialog::onRenameClicked() {
  if (oldName_->text() != newName_->text()) {
    // "alter Name" is editable, but only plain names of the shown directory
    // are accepted: "../x" would fetch a file from elsewhere.
    const std::string oldName = EncodeUtf8(ToU32(oldName_->text()));
    const std::string newName = EncodeUtf8(ToU32(newName_->text()));
    // The list shows the new name at once: the pass may be broken off
    // before the list is read again.
    if (main_.applyPlan(
            PlanRename(main_.currentDirectory(), oldName, newName, main_.batchContext())).performed > 0) {
      main_.renameEntry(oldName, newName);
    }
  }
  hide();
  // The next marked entry was not clicked: it must not be loaded (and
  // tagged) for the status bar.
  if (renameIndex_ < main_.entryCount()) {
    main_.setMarkedQuietly(renameIndex_, false);
    main_.RefreshView();
  }
  advanceToMarked();
  if (renameIndex_ < main_.entryCount() && main_.isMarked(renameIndex_)) {
    // Shown again where it stood: the user may have moved it aside.
    show();
    raise();
    activateWindow();
    return;
  }
  main_.reloadFileList();
  main_.RefreshView();
}

}  // namespace sonavex
