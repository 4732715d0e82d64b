#include "gui/dialogs/name_edit_dialog.h"

#include <QApplication>

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <memory>

#include "gui/batch_host.h"
#include "gui/program_font.h"

namespace sonavex {

NameEditDialog::NameEditDialog(BatchStarter& host, Operation code,
                               const char* objectName, const QString& title,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      starter_(host), code_(code) {
  setObjectName(QString::fromLatin1(objectName));
  setFont(ProgramFont());
  setWindowTitle(title);
  OnActivatedFromProgram(this, [this] { resetControls(); });
}

void NameEditDialog::addButtons(QGridLayout* layout, int row,
                                const QString& startCaption,
                                bool startIsDefault) {
  startButton_ = new QPushButton(startCaption, this);
  startButton_->setObjectName(QStringLiteral("Button1"));
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
  cancel->setObjectName(QStringLiteral("Button2"));
  // Return in a field must not start a batch unless the start button is
  // the default.
  startButton_->setDefault(startIsDefault);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(startButton_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, row, 0, 1, layout->columnCount());
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(startButton_, &QPushButton::clicked, this, &NameEditDialog::onStartClicked);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

// Showing always makes the window active; resetting here as well keeps the
// opening state independent of when the window system reports it.
void NameEditDialog::showEvent(QShowEvent* event) {
  resetControls();
  QDialog::showEvent(event);
}

void NameEditDialog::onStartClicked() {
  const OperationParams params = parameters();
  if (!NameEditHasWork(params)) return;
  // Cancelled in the preview: the dialog stays for another try.
  if (starter_.runSelection(code_, params)) hide();
}

namespace {
bool LendsFocus(const QWindow* window) {
  for (const QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->windowHandle() == window) return widget->property(kLendsFocus).toBool();
  }
  return false;
}
}  // namespace

void OnActivatedFromProgram(QWidget* window, std::function<void()> activated) {
  auto last = std::make_shared<QPointer<QWindow>>();
  QObject::connect(
      qGuiApp, &QGuiApplication::focusWindowChanged, window,
      [window, last, activated = std::move(activated)](QWindow* now) {
        if (now == nullptr) return;  // another application took the focus
        // A context menu or drop-down list only lends the focus for a moment;
        // closing it must not wipe what the user was typing.
        if (now->type() == Qt::Popup || now->type() == Qt::ToolTip) return;
        // Neither does the preview a start button opens: cancelling it is
        // going back to the dialog to change a field, not a new start.
        if (LendsFocus(now)) return;
        const QPointer<QWindow> before = *last;
        *last = now;
        if (now == window->windowHandle() && before != nullptr && before != now) {
          activated();
        }
      });
}

}  // namespace sonavex
