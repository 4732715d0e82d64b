#pragma once
// "Form11" Exportieren: the columns and the separator of the list export,
// and the file it goes to. The choices live in the section "Export" of the
// settings file: read when the dialog is created, written on every close.
#include <QString>
#include <array>
#include <functional>

#include "gui/dialogs/tag_dialog.h"
#include "gui/save_file_chooser.h"

class QCheckBox;
class QRadioButton;

namespace sonavex {

class BatchHost;

class ExportDialog : public TagDialog {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 13;
  using Columns = std::array<bool, kColumnCount>;
  // What one export run is asked to do.
  struct Choice {
    Columns columns{};       // in the order they are written
    char separator = '\t';   // '\t' or ';'
    QString target;          // the file to write
  };
  // Writes the list; false when it did not run (the file could not be
  // created, or the preview was cancelled), so the dialog stays.
  using Start = std::function<bool(const Choice&)>;

  ExportDialog(BatchHost& host, QWidget* parent = nullptr);
  void setStart(Start start) { start_ = std::move(start); }
  void setChooser(SaveFileChooser chooser) { chooser_ = std::move(chooser); }
  // The folder the save dialog opens in next time.
  const QString& exportDirectory() const { return exportDirectory_; }
  Columns checkedColumns() const;
  void onStartClicked();

 protected:
  void storeChoices() override;

 private:
  void buildControls();
  void loadChoices();

  std::array<QCheckBox*, kColumnCount> columns_{};
  QRadioButton* tab_ = nullptr;
  QRadioButton* semicolon_ = nullptr;
  QString exportDirectory_;
  SaveFileChooser chooser_ = ChooseSaveFileWithDialog;
  Start start_;
};

}  // namespace sonavex
