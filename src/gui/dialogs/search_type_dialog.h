#pragma once
// "Form7" Suchen und Ersetzen - Dateityp: replaces a text everywhere in the
// file types ('Y').
#include "gui/dialogs/text_pair_dialog.h"

namespace sonavex {

class SearchTypeDialog : public TextPairDialog {
  Q_OBJECT
 public:
  SearchTypeDialog(BatchStarter& host, QWidget* parent = nullptr);

 protected:
  OperationParams parameters() const override;
};

}  // namespace sonavex
