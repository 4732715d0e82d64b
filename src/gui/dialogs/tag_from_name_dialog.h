#pragma once
// "Form9" ID3Tag einlesen: fills title, artist and album of MP3 files from
// their names or their directories' names ('I'). Per field a check box says
// whether it is written and a combo box where its text comes from: one of
// its entries, or, with none selected, the text typed into it. The checks
// and the selected entries are kept in the settings file.
#include <array>

#include "gui/dialogs/tag_dialog.h"

class QCheckBox;
class QComboBox;

namespace sonavex {

class TagFromNameDialog : public TagDialog {
  Q_OBJECT
 public:
  TagFromNameDialog(BatchStarter& host, QWidget* parent = nullptr);

  TagFromNameParams parameters() const;
  void onStartClicked();

 protected:
  void storeChoices() override;

 private:
  struct Field {
    QCheckBox* check;
    QComboBox* source;
  };
  void loadChoices();
  TagSource sourceOf(const Field& field) const;

  std::array<Field, 3> fields_;  // Titel, Interpret, Album
};

}  // namespace sonavex
