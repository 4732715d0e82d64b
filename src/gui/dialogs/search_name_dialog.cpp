#include "gui/dialogs/search_name_dialog.h"

#include "gui/qt_text.h"

namespace sonavex {

SearchNameDialog::SearchNameDialog(BatchStarter& host, QWidget* parent)
    : TextPairDialog(host, Operation::X, "Form6",
                     {QStringLiteral("Suchen und Ersetzen - Dateiname"),
                      QStringLiteral("suchen nach"), QStringLiteral("ersetzen mit"),
                      QStringLiteral("Ersetzen")},
                     parent) {}

OperationParams SearchNameDialog::parameters() const {
  return SearchParameters(upperText(), lowerText());
}

SearchReplaceParams SearchParameters(const QString& search, const QString& replacement) {
  return {ToU32(search), ToU32(replacement)};
}

}  // namespace sonavex
