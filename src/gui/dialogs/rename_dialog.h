#pragma once
// "Form5" Umbenennen: renames the marked entries of the file list one after
// the other, each under a name the user types.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace sonavex {

class BatchHost;

class RenameDialog : public QDialog {
  Q_OBJECT
 public:
  RenameDialog(BatchHost& host, QWidget* parent = nullptr);

  int renameIndex() const { return renameIndex_; }
  // Starts over at the first marked entry; an unconfirmed edit is lost.
  void refill();
  void onRenameClicked();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void advanceToMarked();

  BatchHost& main_;
  QLineEdit* oldName_;
  QLineEdit* newName_;
  QPushButton* renameButton_;
  int renameIndex_ = 0;
};

}  // namespace sonavex
