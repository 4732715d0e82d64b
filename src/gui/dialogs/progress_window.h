#pragma once
// "Form2": the small progress window shown while the info grid fills.
#include <QWidget>

class QProgressBar;

namespace sonavex {

class ProgressWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* parent = nullptr);
  QProgressBar* progressBar() const { return bar_; }

  // The filling blocks the event loop, so the shown window draws itself only
  // when asked: at the start and whenever the bar moves by a pixel. Input
  // waits until the filling ends.
  void start(int count);
  void step(int value);

 private:
  int filledPixels() const;
  static void paintNow();

  QProgressBar* bar_;
  int shownPixels_ = -1;
};

}  // namespace sonavex
