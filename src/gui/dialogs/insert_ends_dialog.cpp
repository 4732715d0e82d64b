#include "gui/dialogs/insert_ends_dialog.h"

#include "gui/qt_text.h"

namespace sonavex {

InsertEndsDialog::InsertEndsDialog(BatchStarter& host, QWidget* parent)
    : TextPairDialog(host, Operation::E, "Form4",
                     {QStringLiteral("Anfang/Ende einfügen"),
                      QStringLiteral("vor Anfang"), QStringLiteral("nach Ende"),
                      QStringLiteral("Einfügen")},
                     parent) {}

OperationParams InsertEndsDialog::parameters() const {
  return InsertEndsParams{ToU32(upperText()), ToU32(lowerText())};
}

}  // namespace sonavex
