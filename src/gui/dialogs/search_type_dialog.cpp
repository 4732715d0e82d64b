#include "gui/dialogs/search_type_dialog.h"

#include "gui/dialogs/search_name_dialog.h"

namespace sonavex {

SearchTypeDialog::SearchTypeDialog(BatchStarter& host, QWidget* parent)
    : TextPairDialog(host, Operation::Y, "Form7",
                     {QStringLiteral("Suchen und Ersetzen - Dateityp"),
                      QStringLiteral("suchen nach"), QStringLiteral("ersetzen mit"),
                      QStringLiteral("Ersetzen")},
                     parent) {}

OperationParams SearchTypeDialog::parameters() const {
  return SearchParameters(upperText(), lowerText());
}

}  // namespace sonavex
