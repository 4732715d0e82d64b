#pragma once
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

}  // namespace sonavex
