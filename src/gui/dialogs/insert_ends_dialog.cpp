#include "gui/dialogs/insert_ends_dialog.h"

#include "gui/qt_text.h"

namespace sonavex {

InsertEndsDialog::InsertEndsDialog(BatchHost& host, QWidget* parent)
    : TextPairDialog(host, 'E', "Form4",
                     {QStringLiteral("Anfang/Ende einfügen"),
                      QStringLiteral("vor Anfang"), QStringLiteral("nach Ende"),
                      QStringLiteral("Einfügen")},
                     parent) {}

NameEditParams InsertEndsDialog::parameters() const {
  NameEditParams params;
  params.insertBefore = ToU32(upperText());
  params.insertAfter = ToU32(lowerText());
  return params;
}

}  // namespace sonavex
