#pragma once
// A name-edit dialog with two labelled text fields, Edit1 above Edit2, and a
// start button that is the default button.
#include "gui/dialogs/name_edit_dialog.h"

class QLineEdit;

namespace sonavex {

class TextPairDialog : public NameEditDialog {
  Q_OBJECT
 public:
  struct Captions {
    QString title;
    QString upper;  // label of Edit1
    QString lower;  // label of Edit2
    QString start;
  };
  TextPairDialog(BatchStarter& host, Operation code,
                 const char* objectName, const Captions& captions,
                 QWidget* parent = nullptr);
  void resetControls() override;

 protected:
  QString upperText() const;
  QString lowerText() const;

 private:
  QLineEdit* upper_;
  QLineEdit* lower_;
};

}  // namespace sonavex
