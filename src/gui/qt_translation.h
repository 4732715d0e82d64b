#pragma once
// Qt's own windows and buttons (the save dialog, its overwrite question,
// the standard buttons of message boxes) in German, like the rest of the
// program, with German dates and sizes.
class QCoreApplication;

namespace sonavex {

// Makes German the default locale and installs Qt's German translation on
// `app` from Qt's translations directory. False when the translation is
// not there (package qt6-translations-l10n); Qt's windows then stay
// English, which is no reason to stop.
bool InstallQtGermanTranslation(QCoreApplication& app);

}  // namespace sonavex
