#include "gui/dialogs/progress_window.h"

#include <QProgressBar>

#include "gui/program_font.h"

namespace sonavex {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar_(new QProgressBar(this)) {
  setObjectName(QStringLiteral("Form2"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Zusatzinfos einlesen"));
  setFixedSize(342, 16);
  bar_->setObjectName(QStringLiteral("ProgressBar1"));
  bar_->setGeometry(2, 0, 340, 16);
  bar_->setTextVisible(false);
}

}  // namespace sonavex
