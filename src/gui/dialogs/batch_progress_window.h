#pragma once
// The progress window of a batch that takes a while: the bar, in the style
// of the info grid's filling, and "Abbrechen", which lets the changes in
// flight finish and starts no further one. A batch that is over within
// half a second shows no window at all.
#include <QElapsedTimer>
#include <QWidget>

#include "core/session/session.h"

class QProgressBar;
class QPushButton;

namespace sonavex {

class BatchProgressWindow : public QWidget, public BatchProgress {
  Q_OBJECT
 public:
  explicit BatchProgressWindow(QWidget* parent);
  QProgressBar* progressBar() const { return bar_; }
  QPushButton* cancelButton() const { return cancel_; }

  void Begin() override;
  void Advance(int done, int total) override;
  void End() override;
  bool StopRequested() override;

 private:
  void showCentred();
  // The batch runs in the window's thread: the window draws itself, and
  // its button is heard, only when asked, at most every few hundredths of
  // a second. It is modal, so no other window takes input meanwhile.
  void keepAlive();

  QProgressBar* bar_;
  QPushButton* cancel_;
  QElapsedTimer running_;
  qint64 lastLook_ = 0;
  bool stop_ = false;
};

}  // namespace sonavex
