#pragma once
// "Form4" Anfang/Ende einfügen: puts a text before and a text after the base
// names ('E').
#include "gui/dialogs/text_pair_dialog.h"

namespace sonavex {

class InsertEndsDialog : public TextPairDialog {
  Q_OBJECT
 public:
  InsertEndsDialog(BatchStarter& host, QWidget* parent = nullptr);

 protected:
  OperationParams parameters() const override;
};

}  // namespace sonavex
