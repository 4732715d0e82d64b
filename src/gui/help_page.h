#pragma once
// The program's help page, one German HTML page that the desktop's browser
// shows.
#include <QString>

namespace sonavex {

class Reporter;

// Where the help page is for a program in `programDirectory`: the same way
// down from bin/ in an installed prefix and in the build tree.
QString HelpPagePath(const QString& programDirectory);

// Opens the help page of the running program in the desktop's browser;
// tells the user when it is missing or nothing could show it.
void OpenHelpPage(Reporter& reporter);

}  // namespace sonavex
