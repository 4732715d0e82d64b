#pragma once
// "Form16" ID3Tag Anfang/Ende: deletes characters at the start and end of
// the title, artist and album ('A', "Löschen") or puts text before and after
// them ('B', "Einfügen"), in every MP3 file of the directory (tree).
// Counts and texts start at 0 and empty whenever the window becomes active.
#include <array>

#include "gui/dialogs/tag_dialog.h"

class QGroupBox;
class QLineEdit;
class QSpinBox;

namespace sonavex {

class TagEndsDialog : public TagDialog {
  Q_OBJECT
 public:
  TagEndsDialog(BatchStarter& host, QWidget* parent = nullptr);

  TagDeleteParams deleteParameters() const;
  TagInsertParams insertParameters() const;
  void onDeleteClicked();
  void onInsertClicked();

 protected:
  void resetControls() override;

 private:
  QGroupBox* buildDeleteGroup();
  QGroupBox* buildInsertGroup();

  // SpinEdit1 to SpinEdit6: first and last count of Titel, Interpret, Album.
  std::array<QSpinBox*, 6> counts_{};
  // Edit1 to Edit6: text before and after Titel, Interpret, Album.
  std::array<QLineEdit*, 6> texts_{};
};

}  // namespace sonavex
