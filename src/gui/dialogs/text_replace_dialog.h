#pragma once
// "Form14" Text ersetzen: replaces a text inside the contents of the files
// of the set, line by line.
#include <QString>
#include <functional>

#include "gui/dialogs/tag_dialog.h"

class QLineEdit;

namespace sonavex {

class TextReplaceDialog : public TagDialog {
  Q_OBJECT
 public:
  // Runs the replace over the marks or the directory; false when nothing
  // ran (cancelled in the preview), so the dialog stays.
  using Start = std::function<bool(const QString& search, const QString& replacement)>;

  TextReplaceDialog(BatchStarter& host, QWidget* parent = nullptr);
  void setStart(Start start) { start_ = std::move(start); }
  void onStartClicked();

 protected:
  void resetControls() override;

 private:
  QLineEdit* search_;
  QLineEdit* replacement_;
  Start start_;
};

}  // namespace sonavex
