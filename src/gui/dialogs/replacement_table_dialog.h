#pragma once
// "Form12" Zeichen ersetzen: edits, stores and switches the user's table of
// ten replacement pairs, and runs it at once over the files ('R').
#include <QDialog>
#include <array>

#include "core/ops/replacement_table.h"

class QLineEdit;
class QPushButton;

namespace sonavex {

class BatchHost;

class ReplacementTableDialog : public QDialog {
  Q_OBJECT
 public:
  ReplacementTableDialog(BatchHost& host, QWidget* parent = nullptr);

  // The pairs as the twenty fields stand now, stored or not: the table every
  // batch uses.
  ReplacementTable fieldTable() const;

  // Puts the stored table and switch in force, discarding unstored edits.
  void LoadReplacementTable();
  void onStoreClicked();
  void onSwitchClicked();
  void onRunNowClicked();
  void onCancelClicked();
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void presentSwitch();

  BatchHost& main_;
  std::array<QLineEdit*, 20> fields_{};  // Edit1 .. Edit20, search left
  QPushButton* switchButton_ = nullptr;
};

}  // namespace sonavex
