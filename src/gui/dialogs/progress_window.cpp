#include "gui/dialogs/progress_window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>

#include "gui/program_font.h"

namespace sonavex {

// The window only shows progress: it never takes the activation from the
// main window, whose focus widget must get the keys typed after a filling.
ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowDoesNotAcceptFocus),
      bar_(new QProgressBar(this)) {
  setObjectName(QStringLiteral("Form2"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Zusatzinfos einlesen"));
  setFixedSize(342, 16);
  bar_->setObjectName(QStringLiteral("ProgressBar1"));
  bar_->setGeometry(2, 0, 340, 16);
  bar_->setTextVisible(false);
}

void ProgressWindow::start(int count) {
  bar_->setRange(0, count);
  bar_->setValue(0);
  shownPixels_ = filledPixels();
  paintNow();
}

void ProgressWindow::step(int value) {
  bar_->setValue(value);
  const int pixels = filledPixels();
  if (pixels == shownPixels_) return;
  shownPixels_ = pixels;
  paintNow();
}

int ProgressWindow::filledPixels() const {
  const qint64 span = qint64(bar_->maximum()) - bar_->minimum();
  if (span <= 0) return 0;
  return static_cast<int>((qint64(bar_->value()) - bar_->minimum()) * bar_->width() / span);
}

void ProgressWindow::paintNow() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace sonavex
