#pragma once
// "Form6" Suchen und Ersetzen - Dateiname: replaces a text everywhere in the
// base names ('X').
#include "gui/dialogs/text_pair_dialog.h"

namespace sonavex {

class SearchNameDialog : public TextPairDialog {
  Q_OBJECT
 public:
  SearchNameDialog(BatchStarter& host, QWidget* parent = nullptr);

 protected:
  OperationParams parameters() const override;
};

// The two texts of both search dialogs.
SearchReplaceParams SearchParameters(const QString& search, const QString& replacement);

}  // namespace sonavex
