#pragma once
// What the small name-edit dialogs share: a fixed window without title-bar
// buttons, a start button and "Abbrechen", controls that start afresh each
// time the window becomes active, and a start that runs the selection rule
// only when the parameters would change something.
#include <QDialog>
#include <QString>
#include <functional>

#include "core/batch/registry.h"

class QGridLayout;
class QPushButton;

namespace sonavex {

class BatchStarter;

class NameEditDialog : public QDialog {
  Q_OBJECT
 public:
  NameEditDialog(BatchStarter& host, Operation code,
                 const char* objectName, const QString& title,
                 QWidget* parent = nullptr);

  QPushButton* startButton() const { return startButton_; }
  void onStartClicked();
  // Puts the controls back to their opening state.
  virtual void resetControls() = 0;

 protected:
  virtual OperationParams parameters() const = 0;
  void showEvent(QShowEvent* event) override;
  // The start button (Button1) and "Abbrechen" (Button2) side by side in
  // `row` of `layout`.
  void addButtons(QGridLayout* layout, int row, const QString& startCaption,
                  bool startIsDefault);

  BatchStarter& starter_;

 private:
  Operation code_;
  QPushButton* startButton_ = nullptr;
};

// Calls `activated` whenever `window` becomes the program's active window
// after another window of the program was: coming back from some other
// application is no new start.
// Windows that only lend the focus for a moment carry this property;
// coming back from them is no new start.
inline constexpr const char* kLendsFocus = "sonavexLendsFocus";
void OnActivatedFromProgram(QWidget* window, std::function<void()> activated);

}  // namespace sonavex
