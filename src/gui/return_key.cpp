#include "gui/return_key.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QPushButton>

namespace sonavex {

void LetFocusedButtonsTakeReturn(QWidget* window) {
  QList<QPushButton*> buttons;
  QPointer<QPushButton> named;
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    if (button->window() != window) continue;  // a window of its own
    if (button->isDefault()) named = button;
    button->setAutoDefault(true);
    buttons << button;
  }
  // A dialog makes the last focused button its default for good once it
  // has none of its own (and the first one when it is shown); leaving the
  // buttons for a field puts the named default back, so that Return in a
  // field never starts what the window does not name.
  QObject::connect(qApp, &QApplication::focusChanged, window,
                   [window, buttons, named](QWidget*, QWidget* now) {
                     if (now == nullptr || now->window() != window) return;
                     if (qobject_cast<QPushButton*>(now) != nullptr) return;
                     for (QPushButton* button : buttons) button->setDefault(button == named);
                   });
}

}  // namespace sonavex
