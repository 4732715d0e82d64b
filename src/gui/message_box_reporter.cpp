#include "gui/message_box_reporter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "core/text/encoding.h"
#include "gui/qt_text.h"
#include "gui/save_file_chooser.h"

namespace sonavex {

QString MessageTextForDisplay(const std::u32string& text) {
  QString shown = ToQString(text);
  shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

void MessageBoxReporter::Report(MessageKind kind, const std::u32string& text,
                                MessageButton button) {
  const bool warning = kind == MessageKind::Warning;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Critical,
                  warning ? QStringLiteral("Warnung") : QStringLiteral("Fehler"),
                  MessageTextForDisplay(text), QMessageBox::NoButton, parent_);
  box.addButton(button == MessageButton::Ok ? QStringLiteral("OK")
                                            : QStringLiteral("Abbrechen"),
                QMessageBox::AcceptRole);
  box.exec();
}

std::optional<QString> ChooseSaveFileWithDialog(QWidget* parent,
                                                const SaveFileRequest& request) {
  QFileDialog dialog(parent, QString(), QDir(request.folder).filePath(request.name),
                     request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().constFirst();
}

namespace {

QString CaptionOf(const BatchSummary& batch) {
  return ToQString(DecodeUtf8(batch.header.caption));
}

}  // namespace

// Names the later batches in the order they would be taken back.
bool AskUndoLaterFirst(const BatchSummary& batch, const std::vector<BatchSummary>& later,
                       QWidget* parent) {
  QStringList first;
  for (const BatchSummary& each : later) first << CaptionOf(each);
  QMessageBox question(QMessageBox::Question, QStringLiteral("Rückgängig"),
                       QStringLiteral("Spätere Vorgänge haben dieselben Dateien danach wieder "
                                      "geändert. Damit ihre Änderungen nicht verloren gehen, "
                                      "werden sie zuerst rückgängig gemacht.\n\n"
                                      "Zuerst rückgängig: %1\nDann rückgängig: %2")
                           .arg(first.join(QStringLiteral(", ")), CaptionOf(batch)),
                       QMessageBox::NoButton, parent);
  question.setObjectName(QStringLiteral("SpaetereVorgaenge"));
  QPushButton* yes = question.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
  question.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
  question.exec();
  return question.clickedButton() == yes;
}

}  // namespace sonavex
