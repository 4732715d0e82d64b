#pragma once
// "Form13", the about box.
#include <QDialog>

namespace sonavex {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace sonavex
