#include "gui/dialogs/about_box.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>

#include "gui/program_font.h"

namespace sonavex {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form13"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Über MP3Sonavex"));
  resize(284, 150);
  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName(QStringLiteral("Memo1"));
  // Wider than the box was drawn for: the lines must not wrap under the
  // button with the fonts found here.
  memo->setGeometry(10, 10, 265, 100);
  memo->document()->setDocumentMargin(0);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setReadOnly(true);
  memo->setFrameStyle(QFrame::NoFrame);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette palette = memo->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  memo->setPalette(palette);
  // Only what the user finds: the help page behind F1, and the command-line
  // tool's own help and manual page.
  memo->setPlainText(QStringLiteral(
      "Version 2.3 vom 01.02.2007\n"
      "\n"
      "F1 oder \"?\" > \"Hilfe extern aufrufen!\"\n"
      "zeigt die Hilfeseite im Browser.\n"
      "Das Befehlszeilenprogramm erklären\n"
      "\"mp3sonavex-cli --help\" und\n"
      "\"man mp3sonavex-cli\"."));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setGeometry(175, 105, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace sonavex
