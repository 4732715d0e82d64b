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

 private:
  QProgressBar* bar_;
};

}  // namespace sonavex
