#pragma once
#include <QApplication>
#include <QFont>

namespace sonavex {

// Arial 8 point, as every window of the program is laid out for; Liberation
// Sans has Arial's metrics where Arial itself is missing.
inline QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSize(8);
  return font;
}

// Menus, message boxes and drop-down lists are windows of their own and do
// not inherit the font of the window they belong to; the application's font
// reaches them all. Also drops the desktop's fonts for single classes.
inline void UseProgramFontEverywhere() { QApplication::setFont(ProgramFont()); }

}  // namespace sonavex
