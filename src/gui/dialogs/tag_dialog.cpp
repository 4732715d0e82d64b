#include "gui/dialogs/tag_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPushButton>

#include "core/text/encoding.h"

#include "gui/batch_host.h"
#include "gui/dialogs/name_edit_dialog.h"
#include "gui/program_font.h"

namespace sonavex {

TagDialog::TagDialog(BatchStarter& host, const char* objectName, const QString& title,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      host_(host) {
  setObjectName(QString::fromLatin1(objectName));
  setFont(ProgramFont());
  setWindowTitle(title);
}

QPushButton* TagDialog::makeButton(const char* name, const QString& caption,
                                   bool isDefault) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QString::fromLatin1(name));
  button->setDefault(isDefault);
  return button;
}

QHBoxLayout* TagDialog::makeButtonRow(const QString& startCaption,
                                      std::function<void()> onStart) {
  QPushButton* start = makeButton("Button1", startCaption, true);
  QPushButton* cancel = makeButton("Button2", QStringLiteral("Abbrechen"), false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start);
  buttons->addWidget(cancel);
  connect(start, &QPushButton::clicked, this, std::move(onStart));
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  return buttons;
}

void TagDialog::startAfreshOnActivation() {
  startsAfresh_ = true;
  OnActivatedFromProgram(this, [this] { resetControls(); });
}

// Showing always makes the window active; resetting here as well keeps the
// opening state independent of when the window system reports it.
void TagDialog::showEvent(QShowEvent* event) {
  if (startsAfresh_) resetControls();
  QDialog::showEvent(event);
}

// A hide the window system does on its own (minimising along with the
// main window) is no close.
void TagDialog::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) storeChoices();
  QDialog::hideEvent(event);
}

void TagDialog::reportSettingsWrite(std::error_code failure) {
  if (!failure) return;
  host_.reporter().Report(MessageKind::Error,
                          SettingsWriteFailedText(DecodeUtf8(host_.settings().path())));
}

void TagDialog::finishDirectoryRun(bool ran) {
  if (!ran) return;
  host_.FillInfoGrid();
  host_.RefreshView();
  hide();
}

bool SelectStoredEntry(QComboBox* box, long stored) {
  const bool known = stored >= 0 && stored < box->count();
  box->setCurrentIndex(known ? static_cast<int>(stored) : -1);
  return known;
}

}  // namespace sonavex
