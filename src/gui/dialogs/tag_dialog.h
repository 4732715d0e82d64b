#pragma once
// What the four tag dialogs share: a fixed window without title-bar
// buttons in the program's font, named push buttons, optionally fields that
// start afresh whenever the window becomes active, and the end of a run
// over the whole directory.
#include <QDialog>
#include <QString>
#include <functional>
#include <system_error>

#include "core/ops/tag_ops.h"

class QComboBox;
class QHBoxLayout;
class QPushButton;

namespace sonavex {

class BatchStarter;

class TagDialog : public QDialog {
  Q_OBJECT
 public:
  TagDialog(BatchStarter& host, const char* objectName, const QString& title,
            QWidget* parent = nullptr);

 protected:
  // A push button named `name`; Return in a field presses it when it is
  // the default button.
  QPushButton* makeButton(const char* name, const QString& caption, bool isDefault);
  // From now on resetControls runs on every showing and whenever the window
  // becomes active after another window of the program.
  // Button1 `startCaption` (the default button, running `onStart`) and
  // Button2 "Abbrechen" (closing the dialog), side by side at the right.
  QHBoxLayout* makeButtonRow(const QString& startCaption, std::function<void()> onStart);
  void startAfreshOnActivation();
  virtual void resetControls() {}
  void showEvent(QShowEvent* event) override;
  // Runs on every close, by the start button, "Abbrechen" or Escape alike.
  virtual void storeChoices() {}
  void hideEvent(QHideEvent* event) override;
  // Tells the user when the settings file refused a write (`failure` set).
  void reportSettingsWrite(std::error_code failure);
  // 'W', 'A' and 'B' end the same way: they ran over the whole directory
  // (tree), whatever is marked; the grid shows the new tags and the dialog
  // goes. After a cancel in the preview (`ran` false) it stays.
  void finishDirectoryRun(bool ran);

  BatchStarter& host_;

 private:
  bool startsAfresh_ = false;
};

// Selects the entry a stored number names; a number that names none
// (an older or edited settings file) selects none. True when one is selected.
bool SelectStoredEntry(QComboBox* box, long stored);

}  // namespace sonavex
