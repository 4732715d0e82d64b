#include "gui/dialogs/batch_progress_window.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

#include "gui/program_font.h"

namespace sonavex {
namespace {

constexpr qint64 kQuietStartMs = 500;
constexpr qint64 kLookEveryMs = 40;

}  // namespace

BatchProgressWindow::BatchProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
  setObjectName(QStringLiteral("BatchProgress"));
  setWindowModality(Qt::ApplicationModal);
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Dateien ändern"));
  setFixedSize(342, 48);
  bar_->setObjectName(QStringLiteral("ProgressBar1"));
  bar_->setGeometry(2, 0, 340, 16);
  bar_->setTextVisible(false);
  cancel_->setObjectName(QStringLiteral("Button1"));
  cancel_->setGeometry(131, 21, 80, 25);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    stop_ = true;
    cancel_->setEnabled(false);
  });
}

void BatchProgressWindow::Begin() {
  stop_ = false;
  cancel_->setEnabled(true);
  running_.start();
  lastLook_ = 0;
}

void BatchProgressWindow::Advance(int done, int total) {
  if (!isVisible()) {
    if (running_.elapsed() < kQuietStartMs || done >= total) return;
    bar_->setRange(0, total);
    showCentred();
  }
  bar_->setValue(done);
  keepAlive();
}

void BatchProgressWindow::End() { hide(); }

bool BatchProgressWindow::StopRequested() {
  if (isVisible()) keepAlive();
  return stop_;
}

void BatchProgressWindow::showCentred() {
  if (QWidget* owner = parentWidget()) {
    const QRect frame = owner->frameGeometry();
    move(frame.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  QCoreApplication::processEvents();
  lastLook_ = running_.elapsed();
}

void BatchProgressWindow::keepAlive() {
  const qint64 now = running_.elapsed();
  if (now - lastLook_ < kLookEveryMs) return;
  lastLook_ = now;
  QCoreApplication::processEvents();
}

}  // namespace sonavex
