#pragma once
// "Form8" Tauschen: swaps, moves or drops parts of names written as parts
// joined by " - " ('T'), with a live description of what it will do.
#include "gui/dialogs/name_edit_dialog.h"

class QLabel;
class QSpinBox;

namespace sonavex {

class SwapDialog : public NameEditDialog {
  Q_OBJECT
 public:
  SwapDialog(BatchStarter& host, QWidget* parent = nullptr);
  void resetControls() override;

 protected:
  OperationParams parameters() const override;

 private:
  void describe();

  QSpinBox* partA_;
  QSpinBox* partB_;
  QLabel* description_;
};

}  // namespace sonavex
