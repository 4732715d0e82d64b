#include "gui/dialogs/search_name_dialog.h"

#include "gui/qt_text.h"

namespace sonavex {

SearchNameDialog::SearchNameDialog(BatchHost& host, QWidget* parent)
    : TextPairDialog(host, 'X', "Form6",
                     {QStringLiteral("Suchen und Ersetzen - Dateiname"),
                      QStringLiteral("suchen nach"), QStringLiteral("ersetzen mit"),
                      QStringLiteral("Ersetzen")},
                     parent) {}

NameEditParams SearchNameDialog::parameters() const {
  return SearchParameters(upperText(), lowerText());
}

NameEditParams SearchParameters(const QString& search, const QString& replacement) {
  NameEditParams params;
  params.search = ToU32(search);
  params.replacement = ToU32(replacement);
  return params;
}

}  // namespace sonavex
