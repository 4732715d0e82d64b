#pragma once
// "Form10" Dateiname aus ID3Tag: names MP3 files after their tag by one of
// five patterns ('N'); the chosen pattern is kept in the settings file.
#include "gui/dialogs/tag_dialog.h"

class QComboBox;

namespace sonavex {

class NameFromTagDialog : public TagDialog {
  Q_OBJECT
 public:
  NameFromTagDialog(BatchStarter& host, QWidget* parent = nullptr);

  NameFromTagParams parameters() const;
  void onStartClicked();

 protected:
  void storeChoices() override;

 private:
  void loadChoice();

  QComboBox* pattern_;
};

}  // namespace sonavex
