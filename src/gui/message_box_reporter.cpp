#include "gui/message_box_reporter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

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

}  // namespace sonavex
