#pragma once
// "Form15" ID3Tag Suchen und Ersetzen: replaces a text by another in the
// title, artist and album of every MP3 file of the directory (tree) ('W');
// a field with an empty search text is left alone. The fields start empty
// whenever the window becomes active.
#include <array>

#include "gui/dialogs/tag_dialog.h"

class QLineEdit;

namespace sonavex {

class TagReplaceDialog : public TagDialog {
  Q_OBJECT
 public:
  TagReplaceDialog(BatchStarter& host, QWidget* parent = nullptr);

  TagReplaceParams parameters() const;
  void onStartClicked();

 protected:
  void resetControls() override;

 private:
  // Edit1 to Edit6: search and replacement of Titel, Interpret, Album.
  std::array<QLineEdit*, 6> fields_{};
};

}  // namespace sonavex
