#pragma once
// "Form3" Anfang/Ende löschen: deletes characters at the start and at the end
// of the base names ('L').
#include "gui/dialogs/name_edit_dialog.h"

class QSpinBox;

namespace sonavex {

class DeleteEndsDialog : public NameEditDialog {
  Q_OBJECT
 public:
  DeleteEndsDialog(BatchStarter& host, QWidget* parent = nullptr);
  void resetControls() override;

 protected:
  OperationParams parameters() const override;

 private:
  QSpinBox* first_;
  QSpinBox* last_;
};

}  // namespace sonavex
