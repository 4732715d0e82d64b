#pragma once
// Asking the user for a file to write: a port, so that the dialogs that ask
// can be run without a window system. The Qt implementation lives beside the
// message boxes.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace sonavex {

struct SaveFileRequest {
  QString folder;         // where the chooser opens
  QString name;           // the name it proposes
  QString filter;         // Qt filter text, e.g. "Textdateien (*.txt *.csv)"
  QString defaultSuffix;  // appended to a typed name without extension
};

// The chosen path, or nothing when the user cancelled. Choosing a file that
// exists has already been confirmed by the user.
using SaveFileChooser =
    std::function<std::optional<QString>(QWidget* parent, const SaveFileRequest&)>;

// The platform's save dialog; it asks before an existing file is replaced.
std::optional<QString> ChooseSaveFileWithDialog(QWidget* parent,
                                                const SaveFileRequest& request);

}  // namespace sonavex
