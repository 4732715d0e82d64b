#include "gui/dialogs/about_box.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace sonavex {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form13"));
  setWindowTitle(QStringLiteral("Über MP3Sonavex"));
  resize(284, 150);
  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName(QStringLiteral("Memo1"));
  memo->setGeometry(10, 10, 235, 100);
  memo->setReadOnly(true);
  memo->setFrameStyle(QFrame::NoFrame);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  QPalette palette = memo->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  memo->setPalette(palette);
  memo->setPlainText(QStringLiteral(
      "Version 2.3 vom 01.02.2007\n"
      "\n"
      "Ich freue mich über Anregungen und Vorschläge.\n"
      "mp3sonavex@example.org\n"
      "Die Verknüpfung zur Hilfe-Datei \n"
      "ist noch nicht fertig, zunächst die Hilfedatei \n"
      "extern aufrufen. (MP3Sonavex.cbm)"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setGeometry(175, 105, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace sonavex
