#include "gui/help_page.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "core/report/reporter.h"
#include "gui/qt_text.h"

#ifndef SONAVEX_HELP_FROM_BIN
#error "the build names the way from bin/ to the help page's folder"
#endif

namespace sonavex {

QString HelpPagePath(const QString& programDirectory) {
  return QDir::cleanPath(programDirectory + QStringLiteral("/" SONAVEX_HELP_FROM_BIN "/hilfe.html"));
}

void OpenHelpPage(Reporter& reporter) {
  const QString path = HelpPagePath(QCoreApplication::applicationDirPath());
  if (!QFileInfo(path).isFile()) {
    reporter.Report(MessageKind::Error, U"Die Hilfeseite fehlt:" + std::u32string(kBreak) +
                                            ToU32(path));
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
    reporter.Report(MessageKind::Error,
                    U"Kein Programm kann die Hilfeseite anzeigen:" + std::u32string(kBreak) +
                        ToU32(path));
  }
}

}  // namespace sonavex
